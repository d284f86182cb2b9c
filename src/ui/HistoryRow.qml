import QtQuick
import QtQuick.Controls
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
    color: selected ? Ui.Palette.selection : (hover.hovered ? Qt.rgba(0, 0, 0, 0.04) : "transparent")
    radius: 6

    HoverHandler { id: hover }
    TapHandler { onTapped: row.clicked() }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: contextMenu.popup()
    }
    Menu {
        id: contextMenu
        MenuItem {
            text: "Delete"
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
        Row {
            spacing: 8
            Text {
                text: row.queryText
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: Ui.Palette.primaryText
                elide: Text.ElideRight
            }
            Rectangle {
                visible: row.free > 0
                width: 7
                height: 7
                radius: 3.5
                color: Ui.Palette.statusAvailable
                anchors.verticalCenter: parent.verticalCenter
            }
        }
        Row {
            spacing: 6
            Text {
                text: { row.tick; return app.relativeTime(row.when) }
                font.pixelSize: 12
                color: Ui.Palette.secondaryText
            }
            Text { visible: row.results > 0; text: "•"; font.pixelSize: 12; color: Ui.Palette.tertiaryText }
            Text {
                visible: row.results > 0
                text: row.free + "/" + row.results + " free"
                font.pixelSize: 12
                color: row.free > 0 ? Ui.Palette.statusAvailable : Ui.Palette.secondaryText
            }
        }
    }
}
