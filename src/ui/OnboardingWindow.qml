import QtQuick
import QtQuick.Window
import Orvane.Ui as Ui

// The welcome window: a fixed-size window that always opens at its first page.
Window {
    id: window
    objectName: "welcomeWindow"
    title: "Welcome to Orvane"
    width: 520
    height: 580
    minimumWidth: 520
    maximumWidth: 520
    minimumHeight: 580
    maximumHeight: 580
    flags: Qt.Dialog | Qt.WindowTitleHint | Qt.WindowCloseButtonHint
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

    function restart() { view.step = 0 }

    OnboardingView {
        id: view
        objectName: "onboardingView"
        anchors.fill: parent
        onFinished: app.finishOnboarding()
    }
}
