pragma Singleton
import QtQuick
import Orvane

// The application's colours (sRGB) and the desktop's semantic colours it sits on, in a light
// and a dark variant following the desktop's colour scheme; and the named type sizes.
// Views take every colour and size from here, never inline.
QtObject {
    readonly property bool dark: WindowController.darkMode

    // Brand and status colours keep their hue in both schemes. Where one is painted as text or
    // as an icon it takes its "Text" variant: the same hue, darkened on light windows and lifted
    // on dark ones until it reads at 4.5:1 on every surface it meets (see contrastPairs).
    readonly property color brandInk: Qt.rgba(0.18, 0.31, 0.31, 1)
    readonly property color brandInkText: dark ? Qt.rgba(0.55, 0.75, 0.74, 1) : brandInk
    readonly property color brandAccent: Qt.rgba(0.76, 0.47, 0.30, 1)
    readonly property color brandAccentText: dark ? "#dcae91" : "#864e2d"
    // The accent under text (filled buttons, a highlighted choice): deep enough for paper on it.
    readonly property color accentFill: "#9b5a35"
    // The accent as a mark that carries state (a switch that is on, the current page): 3:1 on the window.
    readonly property color accentMark: dark ? brandAccent : accentFill
    readonly property color brandPaper: Qt.rgba(0.96, 0.95, 0.91, 1)
    readonly property color brandPaperDim: Qt.rgba(0.96, 0.95, 0.91, 0.85)
    readonly property color statusAvailable: dark ? Qt.rgba(0.49, 0.74, 0.50, 1) : Qt.rgba(0.37, 0.58, 0.38, 1)
    readonly property color statusAvailableText: dark ? "#8ac48c" : "#416642"
    readonly property color statusAvailableTint: Qt.rgba(0.37, 0.58, 0.38, dark ? 0.28 : 0.14)
    readonly property color statusErrorTint: Qt.rgba(0.74, 0.33, 0.31, dark ? 0.24 : 0.10)
    readonly property color statusUnclear: Qt.rgba(0.82, 0.60, 0.32, 1)
    readonly property color statusUnclearText: dark ? "#dbae75" : "#7c5420"
    readonly property color statusError: dark ? Qt.rgba(0.90, 0.45, 0.42, 1) : Qt.rgba(0.74, 0.33, 0.31, 1)
    readonly property color statusErrorText: dark ? "#efa39e" : "#9c3f3a"
    // A destructive button's fill, deep enough for paper on it in both schemes.
    readonly property color dangerFill: "#b3453f"
    readonly property color statusChecking: dark ? Qt.rgba(0.52, 0.70, 0.82, 1) : Qt.rgba(0.40, 0.55, 0.65, 1)
    readonly property color statusCheckingText: dark ? "#93bcd7" : "#436073"
    readonly property color accentTint: Qt.rgba(0.76, 0.47, 0.30, dark ? 0.18 : 0.10)

    readonly property color windowBackground: dark ? "#1e1f21" : "#ececec"
    readonly property color controlBackground: dark ? "#2a2b2e" : "#ffffff"
    readonly property color textBackground: dark ? "#1a1b1d" : "#ffffff"
    readonly property color sidebarBackground: dark ? "#242527" : "#f2f1ee"
    readonly property color barMaterial: dark ? "#26272a" : "#f6f5f3"
    readonly property color separator: dark ? Qt.rgba(1, 1, 1, 0.14) : Qt.rgba(0, 0, 0, 0.12)
    readonly property color primaryText: dark ? "#ececec" : "#1d1d1f"
    readonly property color secondaryText: dark ? Qt.rgba(1, 1, 1, 0.66) : Qt.rgba(0, 0, 0, 0.62)
    // Placeholders, handles and separating dots: quieter than secondary, still 4.5:1.
    readonly property color tertiaryText: dark ? Qt.rgba(1, 1, 1, 0.60) : Qt.rgba(0, 0, 0, 0.58)
    // A disabled control: a flat grey with grey ink, well apart from its enabled look.
    readonly property color disabledFill: dark ? Qt.rgba(1, 1, 1, 0.08) : Qt.rgba(0, 0, 0, 0.06)
    readonly property color disabledText: dark ? Qt.rgba(1, 1, 1, 0.34) : Qt.rgba(0, 0, 0, 0.36)
    readonly property color selection: dark ? Qt.rgba(0.45, 0.68, 0.66, 0.22) : Qt.rgba(0.18, 0.31, 0.31, 0.14)
    readonly property color hoverFill: dark ? Qt.rgba(1, 1, 1, 0.07) : Qt.rgba(0, 0, 0, 0.05)
    readonly property color quietFill: dark ? Qt.rgba(1, 1, 1, 0.10) : Qt.rgba(0, 0, 0, 0.07)
    readonly property color modalDim: Qt.rgba(0, 0, 0, dark ? 0.45 : 0.25)
    readonly property color switchOff: dark ? Qt.rgba(1, 1, 1, 0.22) : Qt.rgba(0, 0, 0, 0.16)
    readonly property color switchKnob: "#ffffff"
    readonly property color switchKnobBorder: Qt.rgba(0, 0, 0, 0.10)
    readonly property color pageDot: dark ? Qt.rgba(1, 1, 1, 0.20) : Qt.rgba(0, 0, 0, 0.16)
    readonly property color focusRing: dark ? Qt.rgba(0.55, 0.75, 0.74, 1) : brandInk
    // The focus ring on the brand's ink (the header).
    readonly property color focusRingOnInk: brandPaper

    // Every text, icon and focus-ring colour the windows paint, with the surface under it (its
    // layers bottom to top, translucent ones blended over the ones below). kind "text" needs
    // 4.5:1, "large" (bold 18.66 px and up, 24 px), "icon" and "focus" need 3:1; "disabled"
    // must stay visibly below the enabled text on that surface. A colour a view paints as text
    // belongs here, and the contrast test holds every row to its ratio in both schemes.
    readonly property var contrastPairs: {
        const rows = []
        const add = (kind, what, fg, layers) => rows.push({ kind: kind, what: what, fg: fg, bg: layers })
        const card = [controlBackground]
        const surfaces = {
            "window": [windowBackground], "card": card, "field": [textBackground],
            "sidebar": [sidebarBackground], "bar": [barMaterial],
            "selected row": [sidebarBackground, selection], "hovered row": [sidebarBackground, hoverFill],
            "hovered card": [controlBackground, hoverFill], "selected list row": [controlBackground, selection]
        }
        for (const name in surfaces) {
            add("text", "primary text on " + name, primaryText, surfaces[name])
            add("text", "secondary text on " + name, secondaryText, surfaces[name])
            add("text", "tertiary text on " + name, tertiaryText, surfaces[name])
            add("text", "available on " + name, statusAvailableText, surfaces[name])
            add("text", "error on " + name, statusErrorText, surfaces[name])
            add("text", "brand ink on " + name, brandInkText, surfaces[name])
            add("focus", "focus ring on " + name, focusRing, surfaces[name])
        }
        add("text", "unclear on card", statusUnclearText, card)
        add("text", "checking on card", statusCheckingText, card)
        add("text", "accent on card", brandAccentText, card)
        add("icon", "accent symbol on card", brandAccentText, card)
        add("icon", "accent symbol on window", brandAccentText, [windowBackground])
        add("text", "available badge", statusAvailableText, [controlBackground, statusAvailableTint])
        add("text", "reopened-search banner", brandAccentText, [windowBackground, accentTint])
        add("text", "reopened-search banner, secondary", secondaryText, [windowBackground, accentTint])
        add("text", "reopened-search banner, primary", primaryText, [windowBackground, accentTint])
        add("text", "failure banner", primaryText, [sidebarBackground, statusErrorTint])
        add("icon", "failure banner symbol", statusErrorText, [sidebarBackground, statusErrorTint])
        add("text", "settings tab", secondaryText, [windowBackground, quietFill])
        add("text", "pressed button", primaryText, [controlBackground, quietFill])
        add("text", "quiet button", primaryText, [controlBackground, quietFill])
        add("text", "filled button", brandPaper, [accentFill])
        add("text", "highlighted choice", brandPaper, [accentFill])
        add("text", "destructive button", brandPaper, [dangerFill])
        add("text", "header", brandPaper, [brandInk])
        add("text", "header, dimmed", brandPaperDim, [brandInk])
        add("focus", "focus ring on the header", focusRingOnInk, [brandInk])
        add("focus", "focus ring on a filled button", focusRing, [windowBackground])
        add("icon", "switch on", accentMark, [windowBackground])
        add("icon", "current page dot", accentMark, [windowBackground])
        add("disabled", "disabled filled button", disabledText, [windowBackground, disabledFill])
        add("disabled", "disabled filled button on a card", disabledText, [controlBackground, disabledFill])
        return rows
    }

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
