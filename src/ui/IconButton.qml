import QtQuick
import QtQuick.Controls
import Orvane.Ui as Ui

// A borderless symbol button with help text.
AbstractButton {
    id: control
    property string iconName
    property color ink: Ui.Palette.secondaryText
    property real iconSize: 14
    property string help
    padding: 4
    hoverEnabled: true
    opacity: enabled ? (pressed ? 0.6 : 1) : 0.3
    ToolTip.visible: help.length > 0 && hovered
    ToolTip.text: help
    ToolTip.delay: 600
    implicitWidth: iconSize + leftPadding + rightPadding
    implicitHeight: iconSize + topPadding + bottomPadding
    contentItem: Item {
        Icon { anchors.centerIn: parent; name: control.iconName; color: control.ink; size: control.iconSize }
    }
    background: Rectangle { color: control.hovered ? Qt.rgba(0, 0, 0, 0.06) : "transparent"; radius: 5 }
}
