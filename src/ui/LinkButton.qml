import QtQuick
import QtQuick.Controls
import Orvane

// A web address drawn as text: a click, Return, Enter or Space opens it, and a screen reader
// hears a link. Not an AbstractButton: a control names itself a push button the moment a
// screen reader starts, whatever role it was given.
Item {
    id: link
    property string spoken
    property string help
    readonly property bool hovered: hover.hovered
    signal activated()

    activeFocusOnTab: true
    Accessible.role: Accessible.Link
    Accessible.name: spoken
    Accessible.description: help
    Accessible.focusable: true
    Accessible.onPressAction: activated()
    Keys.onReturnPressed: activated()
    Keys.onEnterPressed: activated()
    Keys.onSpacePressed: activated()
    ToolTip.visible: help.length > 0 && hovered
    ToolTip.text: help
    ToolTip.delay: 600

    HoverHandler { id: hover; cursorShape: Qt.PointingHandCursor }
    TapHandler { onTapped: link.activated() }
    FocusRing { control: link; shown: link.activeFocus; radius: 4 }
}
