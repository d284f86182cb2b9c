import QtQuick
import Orvane

// The ring around a control that has the keyboard focus from Tab or a shortcut.
Rectangle {
    property Item control
    anchors.fill: parent
    anchors.margins: -3
    radius: 6
    color: "transparent"
    border.width: 2
    border.color: Theme.focusRing
    visible: control !== null && control.visualFocus === true
}
