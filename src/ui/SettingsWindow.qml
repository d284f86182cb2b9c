import QtQuick
import QtQuick.Window
import Orvane

// The settings window: every control writes through to the settings at once.
Window {
    id: window
    objectName: "settingsWindow"
    title: qsTr("Orvane Settings")
    width: 560
    height: 520
    minimumWidth: 520
    minimumHeight: 420
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

    // Escape (once no list of matches is open) and Ctrl+W put the window away.
    Shortcut { sequences: [StandardKey.Close]; onActivated: window.close() }
    SettingsView {
        objectName: "settingsView"
        anchors.fill: parent
        anchors.margins: 20
        focus: true
        Keys.onEscapePressed: window.close()
    }
}
