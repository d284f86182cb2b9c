import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// Asks before something that cannot be undone. It opens with "Cancel" focused, so that Return
// or a stray key destroys nothing; Escape cancels too. Closed, it hands the keys back to
// whatever had them before.
Dialog {
    id: dialog
    property string heading
    property string message
    property string confirmText
    property string confirmName // the object name of the confirming button
    signal confirmed()

    parent: Overlay.overlay
    anchors.centerIn: parent
    modal: true
    width: 380
    padding: 20
    background: Rectangle { radius: 12; color: Theme.controlBackground; border.color: Theme.separator }
    Overlay.modal: Rectangle { color: Theme.modalDim }

    property Item returnFocusTo: null
    onAboutToShow: returnFocusTo = parent && parent.Window.window ? parent.Window.window.activeFocusItem : null
    onOpened: cancelButton.forceActiveFocus(Qt.TabFocusReason)
    onClosed: {
        if (returnFocusTo)
            returnFocusTo.forceActiveFocus(Qt.OtherFocusReason)
        returnFocusTo = null
    }

    contentItem: ColumnLayout {
        spacing: 10
        Accessible.role: Accessible.Dialog
        Accessible.name: dialog.heading
        Image {
            Accessible.ignored: true
            cache: false
            source: "image://icon/VarivUzaz?" + Theme.brandInkText
            sourceSize: Qt.size(96, 96)
            Layout.preferredWidth: 44
            Layout.preferredHeight: 44
        }
        PlainText {
            Layout.fillWidth: true
            text: dialog.heading
            wrapMode: Text.WordWrap
            font.pixelSize: Theme.textBody
            font.weight: Font.DemiBold
            color: Theme.primaryText
        }
        PlainText {
            Layout.fillWidth: true
            text: dialog.message
            wrapMode: Text.WordWrap
            font.pixelSize: Theme.textSmall
            color: Theme.primaryText
        }
        RowLayout {
            Layout.topMargin: 10
            Layout.fillWidth: true
            spacing: 10
            Item { Layout.fillWidth: true }
            FilledButton {
                id: cancelButton
                objectName: dialog.objectName + "Cancel"
                text: qsTr("Cancel")
                fill: Theme.quietFill
                ink: Theme.primaryText
                fontSize: 13
                onClicked: dialog.close()
            }
            FilledButton {
                objectName: dialog.confirmName
                text: dialog.confirmText
                fill: Theme.dangerFill
                fontSize: 13
                onClicked: {
                    dialog.confirmed()
                    dialog.close()
                }
            }
        }
    }
}
