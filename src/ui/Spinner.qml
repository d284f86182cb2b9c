import QtQuick
import Orvane

// Work in progress: eight dots around a circle, the brightest stepping on ten times a second. It
// steps rather than turns, so that while a search runs the window is drawn ten times a second, not
// at the display's full rate: with OpenGL done in software every frame costs the whole window.
Item {
    id: spinner
    property bool running: visible
    property color color: Theme.secondaryText
    property int step: 0
    implicitWidth: 20
    implicitHeight: 20
    Accessible.role: Accessible.Indicator

    Timer {
        interval: 100
        repeat: true
        running: spinner.running && spinner.visible
        onTriggered: spinner.step = (spinner.step + 1) % 8
    }
    Repeater {
        model: 8
        Rectangle {
            required property int index
            readonly property real angle: index * Math.PI / 4
            readonly property real reach: (spinner.width - width) / 2
            width: Math.max(2, spinner.width * 0.2)
            height: width
            radius: width / 2
            color: spinner.color
            x: reach + Math.sin(angle) * reach
            y: reach - Math.cos(angle) * reach
            // The dot the step is on is whole; those behind it fade.
            opacity: 1 - 0.8 * ((spinner.step - index + 8) % 8) / 7
        }
    }
}
