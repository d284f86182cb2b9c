import QtQuick
import QtQuick.Controls
import Orvane

// An on/off switch in the program's colours.
Switch {
    id: control
    spacing: 10
    leftPadding: 0
    Accessible.role: Accessible.CheckBox
    Accessible.name: control.text
    indicator: Rectangle {
        implicitWidth: 36
        implicitHeight: 20
        x: control.leftPadding
        y: parent.height / 2 - height / 2
        radius: height / 2
        color: control.checked ? Theme.accentMark : Theme.switchOff
        opacity: control.enabled ? 1 : 0.45
        Behavior on color { ColorAnimation { duration: 120 } }
        FocusRing { control: control; radius: parent.radius }
        Rectangle {
            x: control.checked ? parent.width - width - 2 : 2
            y: 2
            width: 16
            height: 16
            radius: 8
            color: Theme.switchKnob
            border.width: 1
            border.color: Theme.switchKnobBorder
            Behavior on x { NumberAnimation { duration: 120 } }
        }
    }
    contentItem: Text {
        text: control.text
        font: control.font
        color: Theme.primaryText
        opacity: control.enabled ? 1 : 0.45
        verticalAlignment: Text.AlignVCenter
        wrapMode: Text.WordWrap
        leftPadding: control.indicator.width + control.spacing
    }
}
