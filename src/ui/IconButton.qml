import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// A borderless symbol button with help text.
AbstractButton {
    id: control
    property string iconName
    property color ink: Theme.secondaryText
    property real iconSize: 14
    property string help
    padding: 4
    hoverEnabled: true
    // In a row that runs short of room, a button keeps its size and the text beside it elides.
    Layout.minimumWidth: implicitWidth
    opacity: enabled ? (pressed ? 0.6 : 1) : 0.3
    ToolTip.visible: help.length > 0 && hovered
    ToolTip.text: help
    ToolTip.delay: 600
    implicitWidth: iconSize + leftPadding + rightPadding
    implicitHeight: iconSize + topPadding + bottomPadding
    contentItem: Item {
        Icon { anchors.centerIn: parent; name: control.iconName; color: control.ink; size: control.iconSize }
    }
    // Return and Enter press the focused button, like Space, and go no further.
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    property string spoken: help
    property color ring: Theme.focusRing
    Accessible.role: Accessible.Button
    Accessible.name: control.spoken
    background: Rectangle {
        color: control.hovered ? Theme.hoverFill : "transparent"
        radius: 5
        FocusRing { control: control; radius: 5; ringColor: control.ring }
    }
}
