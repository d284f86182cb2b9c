import QtQuick
import QtQuick.Layouts
import Orvane

// A card's title line: accent bar, title, and something at the right.
RowLayout {
    id: line
    property string title
    property color accent: "transparent"
    property alias trailing: trailingSlot.data
    Layout.fillWidth: true
    Layout.leftMargin: 18
    Layout.rightMargin: 18
    Layout.topMargin: 14
    Layout.bottomMargin: 12
    spacing: 10
    Rectangle {
        visible: line.accent.a > 0
        Layout.preferredWidth: 3
        Layout.preferredHeight: 18
        radius: 2
        color: line.accent
    }
    Text { Accessible.role: Accessible.Heading; Accessible.name: text; elide: Text.ElideRight; Layout.fillWidth: true; text: line.title; font.pixelSize: Theme.textTitle3; font.weight: Font.DemiBold; color: Theme.primaryText }
    Item {
        id: trailingSlot
        Layout.minimumWidth: implicitWidth
        implicitWidth: childrenRect.width
        implicitHeight: childrenRect.height
    }
}
