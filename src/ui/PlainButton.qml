import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// The standard button in the program's colours: bordered, or flat as a text link.
AbstractButton {
    id: control
    property bool flat: false
    property color ink: flat ? Theme.secondaryText : Theme.primaryText
    property real fontSize: Theme.textSmall
    property string help
    leftPadding: flat ? 4 : 12
    rightPadding: flat ? 4 : 12
    topPadding: flat ? 2 : 5
    bottomPadding: flat ? 2 : 5
    hoverEnabled: true
    // In a row that runs short of room, a button keeps its size and the text beside it elides.
    Layout.minimumWidth: implicitWidth
    focusPolicy: Qt.StrongFocus
    // Return and Enter press the focused button, like Space, and go no further.
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    // What a screen reader calls it, when the label alone would not say which one it is.
    property string spoken: text
    Accessible.role: Accessible.Button
    Accessible.name: control.spoken
    Accessible.description: control.help
    ToolTip.visible: help.length > 0 && hovered
    ToolTip.text: help
    ToolTip.delay: 600
    contentItem: Text {
        text: control.text
        color: control.ink
        opacity: control.enabled ? 1 : 0.4
        font.pixelSize: control.fontSize
        font.underline: control.flat && control.hovered
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        radius: 6
        color: control.flat ? "transparent" : (control.pressed ? Theme.quietFill : (control.hovered ? Theme.hoverFill : Theme.controlBackground))
        border.width: control.flat ? 0 : 1
        border.color: Theme.separator
        FocusRing { control: control; radius: 6 }
    }
}
