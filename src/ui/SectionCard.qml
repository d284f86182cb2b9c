import QtQuick
import QtQuick.Layouts
import Orvane

// A titled card: accent bar, title, something at the right, then the body.
Rectangle {
    id: card
    property string title
    property color titleAccent: "transparent"
    property alias trailing: trailingSlot.data
    default property alias content: body.data

    color: Theme.controlBackground
    radius: 12
    border.width: 1
    border.color: Theme.separator
    implicitHeight: column.implicitHeight + 14

    ColumnLayout {
        id: column
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        spacing: 0
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 18
            Layout.rightMargin: 18
            Layout.topMargin: 14
            Layout.bottomMargin: 12
            spacing: 10
            Rectangle {
                visible: card.titleAccent.a > 0
                Layout.preferredWidth: 3
                Layout.preferredHeight: 18
                radius: 2
                color: card.titleAccent
            }
            Text { Accessible.role: Accessible.Heading; Accessible.name: text; elide: Text.ElideRight; Layout.fillWidth: true; text: card.title; font.pixelSize: Theme.textTitle3; font.weight: Font.DemiBold; color: Theme.primaryText }
            Item {
                id: trailingSlot
                Layout.minimumWidth: implicitWidth
                implicitWidth: childrenRect.width
                implicitHeight: childrenRect.height
            }
        }
        ColumnLayout {
            id: body
            Layout.fillWidth: true
            spacing: 0
        }
    }
}
