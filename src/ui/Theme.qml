pragma Singleton
import QtQuick
import Orvane

// The application's colours (sRGB) and the desktop's semantic colours it sits on, in a light
// and a dark variant following the desktop's colour scheme; and the named type sizes.
// Views take every colour and size from here, never inline.
QtObject {
    readonly property bool dark: WindowController.darkMode

    // Brand and status colours keep their hue in both schemes; in dark the ink lifts a little
    // so that it still reads as a colour on a dark window.
    readonly property color brandInk: Qt.rgba(0.18, 0.31, 0.31, 1)
    readonly property color brandInkText: dark ? Qt.rgba(0.55, 0.75, 0.74, 1) : brandInk
    readonly property color brandAccent: Qt.rgba(0.76, 0.47, 0.30, 1)
    readonly property color brandPaper: Qt.rgba(0.96, 0.95, 0.91, 1)
    readonly property color brandPaperDim: Qt.rgba(0.96, 0.95, 0.91, 0.85)
    readonly property color statusAvailable: dark ? Qt.rgba(0.49, 0.74, 0.50, 1) : Qt.rgba(0.37, 0.58, 0.38, 1)
    readonly property color statusAvailableTint: Qt.rgba(0.37, 0.58, 0.38, dark ? 0.28 : 0.14)
    readonly property color statusErrorTint: Qt.rgba(0.74, 0.33, 0.31, dark ? 0.24 : 0.10)
    readonly property color statusUnclear: Qt.rgba(0.82, 0.60, 0.32, 1)
    readonly property color statusError: dark ? Qt.rgba(0.90, 0.45, 0.42, 1) : Qt.rgba(0.74, 0.33, 0.31, 1)
    readonly property color statusChecking: dark ? Qt.rgba(0.52, 0.70, 0.82, 1) : Qt.rgba(0.40, 0.55, 0.65, 1)
    readonly property color accentTint: Qt.rgba(0.76, 0.47, 0.30, dark ? 0.18 : 0.10)

    readonly property color windowBackground: dark ? "#1e1f21" : "#ececec"
    readonly property color controlBackground: dark ? "#2a2b2e" : "#ffffff"
    readonly property color textBackground: dark ? "#1a1b1d" : "#ffffff"
    readonly property color sidebarBackground: dark ? "#242527" : "#f2f1ee"
    readonly property color barMaterial: dark ? "#26272a" : "#f6f5f3"
    readonly property color separator: dark ? Qt.rgba(1, 1, 1, 0.14) : Qt.rgba(0, 0, 0, 0.12)
    readonly property color primaryText: dark ? "#ececec" : "#1d1d1f"
    readonly property color secondaryText: dark ? Qt.rgba(1, 1, 1, 0.62) : Qt.rgba(0, 0, 0, 0.56)
    readonly property color tertiaryText: dark ? Qt.rgba(1, 1, 1, 0.34) : Qt.rgba(0, 0, 0, 0.30)
    readonly property color disabledFill: Qt.rgba(0.5, 0.5, 0.5, 0.35)
    readonly property color selection: dark ? Qt.rgba(0.45, 0.68, 0.66, 0.26) : Qt.rgba(0.18, 0.31, 0.31, 0.14)
    readonly property color hoverFill: dark ? Qt.rgba(1, 1, 1, 0.07) : Qt.rgba(0, 0, 0, 0.05)
    readonly property color quietFill: dark ? Qt.rgba(1, 1, 1, 0.10) : Qt.rgba(0, 0, 0, 0.07)
    readonly property color modalDim: Qt.rgba(0, 0, 0, dark ? 0.45 : 0.25)
    readonly property color switchOff: dark ? Qt.rgba(1, 1, 1, 0.22) : Qt.rgba(0, 0, 0, 0.16)
    readonly property color switchKnob: "#ffffff"
    readonly property color switchKnobBorder: Qt.rgba(0, 0, 0, 0.10)
    readonly property color pageDot: dark ? Qt.rgba(1, 1, 1, 0.20) : Qt.rgba(0, 0, 0, 0.16)
    readonly property color focusRing: dark ? Qt.rgba(0.55, 0.75, 0.74, 1) : brandInk

    // Type sizes, in pixels, by role.
    readonly property int textMini: 10
    readonly property int textCaption: 11
    readonly property int textFootnote: 12
    readonly property int textSmall: 13
    readonly property int textCallout: 14
    readonly property int textBody: 15
    readonly property int textHeadline: 16
    readonly property int textTitle3: 17
    readonly property int textTitle2: 18
    readonly property int textField: 22
}
