import QtQuick
import Orvane

// The ring around a control that has the keyboard focus from Tab or a shortcut. Where the
// control sits on the brand ink, the ring takes the paper colour, so that it always stands out.
Rectangle {
    property Item control
    property bool shown: control !== null && control.visualFocus === true
    property color ringColor: Theme.focusRing
    anchors.fill: parent
    anchors.margins: -3
    radius: 6
    color: "transparent"
    border.width: 2
    border.color: ringColor
    visible: shown
}
