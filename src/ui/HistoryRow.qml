import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane.Ui as Ui

// One saved search: its name, a green dot when something was free, when, and "3/5 free".
Rectangle {
    id: row
    objectName: "historyRow"
    property var recordObject
    property string queryText
    property var when
    property int results: 0
    property int free: 0
    property int tick: 0
    property bool selected: false
    signal clicked()
    signal deleteRequested()

    implicitHeight: content.implicitHeight + 8 + 12
    color: selected ? Ui.Palette.selection : (hover.hovered ? Ui.Palette.hoverFill : "transparent")
    radius: 6
    readonly property string whenText: { row.tick; return app.relativeTime(row.when) }
    readonly property string countText: qsTr("%1/%2 free").arg(row.free).arg(row.results)
    Accessible.role: Accessible.ListItem
    Accessible.name: row.results > 0 ? qsTr("%1, %2, %3").arg(row.queryText).arg(row.whenText).arg(row.countText)
                                     : qsTr("%1, %2").arg(row.queryText).arg(row.whenText)
    Accessible.selected: row.selected

    HoverHandler { id: hover }
    TapHandler { onTapped: row.clicked() }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: contextMenu.popup()
    }
    Menu {
        id: contextMenu
        MenuItem {
            text: qsTr("Delete")
            icon.source: "image://icon/trash?" + Ui.Palette.statusError
            onTriggered: row.deleteRequested()
        }
    }

    Column {
        id: content
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 14
        anchors.rightMargin: 14
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4
        RowLayout {
            spacing: 8
            width: parent.width
            Text {
                objectName: "historyQuery"
                // As wide as the name needs, up to the room left beside the dot.
                Layout.preferredWidth: Math.min(implicitWidth, content.width - 15)
                text: row.queryText
                font.pixelSize: Ui.Palette.textBody
                font.weight: Font.DemiBold
                color: Ui.Palette.primaryText
                elide: Text.ElideRight
            }
            Rectangle {
                visible: row.free > 0
                implicitWidth: 7
                implicitHeight: 7
                radius: 3.5
                color: Ui.Palette.statusAvailable
            }
            Item { Layout.fillWidth: true }
        }
        Row {
            spacing: 6
            Text {
                text: row.whenText
                font.pixelSize: Ui.Palette.textFootnote
                color: Ui.Palette.secondaryText
            }
            Text { visible: row.results > 0; text: "•"; font.pixelSize: Ui.Palette.textFootnote; color: Ui.Palette.tertiaryText }
            Text {
                visible: row.results > 0
                text: row.countText
                font.pixelSize: Ui.Palette.textFootnote
                color: row.free > 0 ? Ui.Palette.statusAvailable : Ui.Palette.secondaryText
            }
        }
    }
}
