import QtQuick
import QtQuick.Window
import Orvane.Ui as Ui

// The settings window: every control writes through to the settings at once.
Window {
    id: window
    objectName: "settingsWindow"
    title: "Orvane Settings"
    width: 560
    height: 520
    minimumWidth: 520
    minimumHeight: 420
    color: Ui.Palette.windowBackground

    // Whatever Qt's own style still draws (tool tips, menus, scroll bars) takes our colours.
    palette.window: Ui.Palette.windowBackground
    palette.windowText: Ui.Palette.primaryText
    palette.base: Ui.Palette.controlBackground
    palette.alternateBase: Ui.Palette.sidebarBackground
    palette.text: Ui.Palette.primaryText
    palette.button: Ui.Palette.controlBackground
    palette.buttonText: Ui.Palette.primaryText
    palette.highlight: Ui.Palette.brandAccent
    palette.highlightedText: Ui.Palette.brandPaper
    palette.toolTipBase: Ui.Palette.controlBackground
    palette.toolTipText: Ui.Palette.primaryText
    palette.placeholderText: Ui.Palette.tertiaryText
    palette.mid: Ui.Palette.secondaryText
    palette.dark: Ui.Palette.secondaryText
    palette.light: Ui.Palette.controlBackground

    SettingsView {
        objectName: "settingsView"
        anchors.fill: parent
        anchors.margins: 20
    }
}
