import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// A chrome-less button: symbol and label on a filled rounded rectangle.
AbstractButton {
    id: control
    property string iconName
    property color fill: Theme.accentFill
    property color ink: Theme.brandPaper
    // Disabled, a button goes flat grey with grey ink, well apart from its enabled look.
    readonly property color shownInk: enabled ? ink : Theme.disabledText
    property real fontSize: 13
    property real radius: 6
    property real spacingBetween: 6
    property bool busy: false
    property string help
    leftPadding: 12
    rightPadding: 12
    topPadding: 5
    bottomPadding: 5
    hoverEnabled: true
    // In a row that runs short of room, a button keeps its size and the text beside it elides.
    Layout.minimumWidth: implicitWidth
    ToolTip.visible: help.length > 0 && hovered
    ToolTip.text: help
    ToolTip.delay: 600
    contentItem: Row {
        spacing: control.spacingBetween
        Loader {
            active: control.busy
            visible: active
            anchors.verticalCenter: parent.verticalCenter
            sourceComponent: Spinner {
                width: control.fontSize + 4
                height: width
                color: control.shownInk
            }
        }
        Icon {
            visible: !control.busy && control.iconName.length > 0
            name: control.iconName
            color: control.shownInk
            size: control.fontSize + 1
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            text: control.text
            color: control.shownInk
            font.pixelSize: control.fontSize
            font.weight: Font.DemiBold
            anchors.verticalCenter: parent.verticalCenter
        }
    }
    // Return and Enter press the focused button, like Space, and go no further.
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    Accessible.role: Accessible.Button
    Accessible.name: control.text
    Accessible.description: control.help
    background: Rectangle {
        radius: control.radius
        color: control.enabled ? control.fill : Theme.disabledFill
        opacity: control.pressed ? 0.8 : 1
        FocusRing { control: control; radius: control.radius }
    }
}
