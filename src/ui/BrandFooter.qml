import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane.Ui as Ui

// Owner notice, the web site, "Welcome" and "Quit".
Rectangle {
    color: Ui.Palette.barMaterial
    implicitHeight: row.implicitHeight + 14 + 1
    Divider { anchors.top: parent.top; anchors.left: parent.left; anchors.right: parent.right }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        anchors.topMargin: 8
        anchors.bottomMargin: 7
        spacing: 14
        Text {
            Layout.fillWidth: true
            text: qsTr("© %1 Pellunor. Made for people naming things.").arg(app.year)
            elide: Text.ElideRight
            font.pixelSize: Ui.Palette.textCaption
            color: Ui.Palette.secondaryText
        }
        AbstractButton {
            id: siteLink
            Layout.minimumWidth: implicitWidth
            objectName: "siteLink"
            hoverEnabled: true
            ToolTip.visible: hovered
            ToolTip.text: qsTr("Open %1 in your default browser").arg(app.siteHost)
            Accessible.role: Accessible.Link
            Accessible.name: app.siteHost
            Accessible.description: ToolTip.text
            focusPolicy: Qt.StrongFocus
            ToolTip.delay: 600
            onClicked: app.openUrl("https://" + app.siteHost)
            contentItem: Row {
                spacing: 4
                Text { text: app.siteHost; font.pixelSize: Ui.Palette.textCaption; color: Ui.Palette.secondaryText }
                Icon { name: "arrow.up.right"; color: Ui.Palette.secondaryText; size: 8; anchors.verticalCenter: parent.verticalCenter }
            }
            background: Item { FocusRing { control: siteLink; radius: 4 } }
        }
        PlainButton {
            objectName: "welcomeButton"
            text: qsTr("Welcome")
            flat: true
            fontSize: Ui.Palette.textCaption
            help: qsTr("Re-open the welcome screen")
            onClicked: { app.openWelcome(); shell.bringWelcomeWindowToFront() }
        }
        PlainButton {
            objectName: "quitButton"
            text: qsTr("Quit")
            flat: true
            fontSize: Ui.Palette.textCaption
            help: qsTr("Quit Orvane")
            onClicked: app.quit()
        }
    }
}
