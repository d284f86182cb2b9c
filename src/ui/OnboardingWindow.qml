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

    function restart() { view.step = 0 }

    OnboardingView {
        id: view
        objectName: "onboardingView"
        anchors.fill: parent
        onFinished: app.finishOnboarding()
    }
}
