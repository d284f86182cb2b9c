import QtQuick
import Orvane

// A domain name that gives up characters only when its row has no room for it, and then from
// the middle of the name, never from its TLD: "lumali…link.app". The row gives the width;
// the text drawn is never wider than the item, and an underline runs exactly under it.
Item {
    id: root
    property string text
    property string tld // kept whole at the end; the last label when the name does not end in it
    property bool wrap: false // a look-alike's two forms wrap instead, at the space between them
    property bool underline: false
    property color underlineColor: Theme.secondaryText
    property alias font: label.font
    property alias color: label.color
    // The width the whole name needs, measured apart from what is drawn.
    readonly property real naturalWidth: Math.ceil(whole.advanceWidth)
    readonly property bool truncated: !wrap && label.text !== text
    readonly property string shown: label.text

    implicitWidth: naturalWidth
    implicitHeight: label.implicitHeight
    Accessible.ignored: true // the row says the whole name

    readonly property string ending: {
        const cut = tld.length > 0 && text.endsWith(tld) ? text.length - tld.length : text.lastIndexOf(".")
        return cut > 0 ? text.substring(cut) : ""
    }
    TextMetrics { id: whole; font: label.font; text: root.text }
    TextMetrics { id: end; font: label.font; text: root.ending }
    TextMetrics {
        id: head
        font: label.font
        text: root.text.substring(0, root.text.length - root.ending.length)
        elide: Text.ElideMiddle
        elideWidth: Math.max(0, root.width - end.advanceWidth)
    }

    // A look-alike that has no room on one line breaks at the space before its ASCII form; an
    // ASCII form too wide for a line of its own then breaks after a dot, between two labels,
    // rather than wherever the line runs out ("(xn--pple-43" / "d.ai)").
    readonly property int asciiAt: wrap ? text.lastIndexOf(" (") : -1
    TextMetrics { id: ascii; font: label.font; text: root.asciiAt > 0 ? root.text.substring(root.asciiAt + 1) : "" }
    readonly property string wrapped: root.asciiAt <= 0 || root.naturalWidth <= root.width ? root.text
        : root.text.substring(0, root.asciiAt) + "\n" + (ascii.advanceWidth <= root.width ? ascii.text : ascii.text.replace(/\./g, ".\u200b"))

    Text {
        id: label
        width: root.wrap ? root.width : Math.min(implicitWidth, root.width)
        text: root.wrap ? root.wrapped : root.naturalWidth <= root.width ? root.text : head.elidedText + root.ending
        wrapMode: root.wrap ? Text.Wrap : Text.NoWrap
        Rectangle {
            visible: root.underline
            x: 0
            width: label.contentWidth
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 1
            height: 1
            color: root.underlineColor
        }
    }
}
