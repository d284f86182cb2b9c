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

    SettingsView {
        objectName: "settingsView"
        anchors.fill: parent
        anchors.margins: 20
    }
}
