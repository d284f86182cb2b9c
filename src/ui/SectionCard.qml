import QtQuick
import QtQuick.Layouts
import Orvane

// A titled card: accent bar, title, something at the right, then the body.
Rectangle {
    id: card
    property string title
    property color titleAccent: "transparent"
    property alias trailing: heading.trailing
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
        CardTitle {
            id: heading
            title: card.title
            accent: card.titleAccent
        }
        ColumnLayout {
            id: body
            Layout.fillWidth: true
            spacing: 0
        }
    }
}
