import QtQuick
import QtQuick.Window
import Orvane

// The welcome window: a fixed-size window that always opens at its first page.
Window {
    id: window
    objectName: "welcomeWindow"
    title: qsTr("Welcome to Orvane")
    width: 520
    height: 580
    minimumWidth: 520
    maximumWidth: 520
    minimumHeight: 580
    maximumHeight: 580
    flags: Qt.Dialog | Qt.WindowTitleHint | Qt.WindowCloseButtonHint
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

    function restart() { view.step = 0 }

    // Escape and Ctrl+W close the welcome as its title bar's button does.
    Shortcut { sequences: [StandardKey.Close]; onActivated: window.close() }
    OnboardingView {
        id: view
        objectName: "onboardingView"
        anchors.fill: parent
        Keys.onEscapePressed: window.close()
        onFinished: WindowController.finishOnboarding()
    }
}
