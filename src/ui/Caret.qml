import QtQuick
import Orvane

// The text caret of the program's fields (their cursorDelegate). It blinks while the user types
// and for ten seconds after the last keystroke, then stays lit, as GTK's does: a caret that
// blinks for ever redraws the window twice a second for as long as a field has the focus.
Rectangle {
    id: caret
    objectName: "caret"
    readonly property Item field: parent
    property bool lit: true
    property int restAfter: 10000
    readonly property bool blinking: blink.running
    width: 1
    color: field ? field.color : Theme.primaryText
    visible: field !== null && field.activeFocus && !field.readOnly && field.selectionStart === field.selectionEnd
    opacity: lit ? 1 : 0

    // A keystroke, a click or the focus arriving: lit at once, blinking again for a while.
    function wake() {
        lit = true
        if (!visible || Qt.styleHints.cursorFlashTime <= 0) {
            blink.stop()
            rest.stop()
            return
        }
        blink.restart()
        rest.restart()
    }
    onVisibleChanged: wake()
    Connections {
        target: caret.field
        function onTextChanged() { caret.wake() }
        function onCursorPositionChanged() { caret.wake() }
    }
    Timer {
        id: blink
        interval: Math.max(50, Qt.styleHints.cursorFlashTime / 2)
        repeat: true
        onTriggered: caret.lit = !caret.lit
    }
    Timer {
        id: rest
        interval: caret.restAfter
        onTriggered: {
            blink.stop()
            caret.lit = true
        }
    }
}
