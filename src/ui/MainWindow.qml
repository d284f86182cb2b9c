import QtQuick
import QtQuick.Window
import Orvane

// The main window: an ordinary decorated window on Linux and Windows; on macOS a frameless
// popover (the C++ side says so), moved by its header and resized from its edges.
Window {
    id: window
    objectName: "mainWindow"
    title: "Orvane"
    width: 1040
    height: 720
    minimumWidth: 780
    minimumHeight: 520
    // Set on macOS, where the window is a frameless popover with edges of its own to resize it by.
    property bool popover: false
    color: Theme.windowBackground

    // Whatever Qt's own style still draws (tool tips, menus, scroll bars) takes our colours.
    palette.window: Theme.windowBackground
    palette.windowText: Theme.primaryText
    palette.base: Theme.controlBackground
    palette.alternateBase: Theme.sidebarBackground
    palette.text: Theme.primaryText
    palette.button: Theme.controlBackground
    palette.buttonText: Theme.primaryText
    palette.highlight: Theme.accentFill
    palette.highlightedText: Theme.brandPaper
    palette.toolTipBase: Theme.controlBackground
    palette.toolTipText: Theme.primaryText
    palette.placeholderText: Theme.tertiaryText
    palette.mid: Theme.secondaryText
    palette.dark: Theme.secondaryText
    palette.light: Theme.controlBackground

    // Typing must go somewhere: whenever the window comes back, the live field takes the keys.
    onVisibleChanged: if (visible) content.focusFieldIfLive()

    ContentView {
        id: content
        objectName: "contentView"
        anchors.fill: parent
        hostWindow: window
    }

    Shortcut { sequence: "Ctrl+Q"; context: Qt.ApplicationShortcut; onActivated: WindowController.quit() }
    Shortcut { sequence: "Ctrl+,"; onActivated: WindowController.openSettings() }
    Shortcut { sequence: "Ctrl+N"; onActivated: content.newSearch() }
    Shortcut { sequence: "Ctrl+F"; onActivated: content.focusField() }

    Repeater {
        model: window.popover ? [
            { edges: Qt.LeftEdge, x: 0, y: 8, w: 5, h: -16, cursor: Qt.SizeHorCursor },
            { edges: Qt.RightEdge, x: -5, y: 8, w: 5, h: -16, cursor: Qt.SizeHorCursor },
            { edges: Qt.BottomEdge, x: 8, y: -5, w: -16, h: 5, cursor: Qt.SizeVerCursor },
            { edges: Qt.RightEdge | Qt.BottomEdge, x: -10, y: -10, w: 10, h: 10, cursor: Qt.SizeFDiagCursor },
            { edges: Qt.LeftEdge | Qt.BottomEdge, x: 0, y: -10, w: 10, h: 10, cursor: Qt.SizeBDiagCursor }
        ] : []
        delegate: MouseArea {
            x: modelData.x < 0 ? window.width + modelData.x : modelData.x
            y: modelData.y < 0 ? window.height + modelData.y : modelData.y
            width: modelData.w <= 0 ? window.width + modelData.w : modelData.w
            height: modelData.h <= 0 ? window.height + modelData.h : modelData.h
            cursorShape: modelData.cursor
            onPressed: window.startSystemResize(modelData.edges)
        }
    }
}
