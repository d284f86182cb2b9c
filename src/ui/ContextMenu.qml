import QtQuick
import QtQuick.Controls

// A context menu that gives the keys back, when it closes, to whatever had them when it opened.
Menu {
    property Item returnFocusTo: null
    onAboutToShow: returnFocusTo = parent && parent.Window.window ? parent.Window.window.activeFocusItem : null
    onClosed: {
        if (returnFocusTo)
            returnFocusTo.forceActiveFocus(Qt.OtherFocusReason)
        returnFocusTo = null
    }
}
