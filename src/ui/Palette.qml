pragma Singleton
import QtQuick

// The application's colours (sRGB) and the desktop's semantic colours it sits on.
QtObject {
    readonly property color brandInk: Qt.rgba(0.18, 0.31, 0.31, 1)
    readonly property color brandAccent: Qt.rgba(0.76, 0.47, 0.30, 1)
    readonly property color brandPaper: Qt.rgba(0.96, 0.95, 0.91, 1)
    readonly property color statusAvailable: Qt.rgba(0.37, 0.58, 0.38, 1)
    readonly property color statusAvailableTint: Qt.rgba(0.37, 0.58, 0.38, 0.14)
    readonly property color statusUnclear: Qt.rgba(0.82, 0.60, 0.32, 1)
    readonly property color statusError: Qt.rgba(0.74, 0.33, 0.31, 1)
    readonly property color statusChecking: Qt.rgba(0.40, 0.55, 0.65, 1)

    readonly property color windowBackground: "#ececec"
    readonly property color controlBackground: "#ffffff"
    readonly property color textBackground: "#ffffff"
    readonly property color sidebarBackground: "#f2f1ee"
    readonly property color barMaterial: "#f6f5f3"
    readonly property color separator: Qt.rgba(0, 0, 0, 0.12)
    readonly property color primaryText: "#1d1d1f"
    readonly property color secondaryText: Qt.rgba(0, 0, 0, 0.52)
    readonly property color tertiaryText: Qt.rgba(0, 0, 0, 0.28)
    readonly property color disabledFill: Qt.rgba(0.5, 0.5, 0.5, 0.35)
    readonly property color selection: Qt.rgba(0.18, 0.31, 0.31, 0.14)
}
