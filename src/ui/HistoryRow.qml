import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// One saved search: its name, a green dot when something was free, when, and "3/5 free".
Rectangle {
    id: row
    objectName: "historyRow"
    property SearchRecord recordObject
    property string queryText
    property date when
    property int results: 0
    property int free: 0
    property int tick: 0
    property bool selected: false
    property bool current: false // where the keys are, while the list has them
    signal clicked()
    signal deleteRequested()

    implicitHeight: content.implicitHeight + 8 + 12
    color: selected ? Theme.selection : (hover.hovered ? Theme.hoverFill : "transparent")
    radius: 6
    readonly property string whenText: { row.tick; return Format.relativeTime(row.when) }
    readonly property string countText: qsTr("%1/%2 free").arg(row.free).arg(row.results)
    Accessible.role: Accessible.ListItem
    Accessible.name: row.results > 0 ? qsTr("%1, %2, %3").arg(row.queryText).arg(row.whenText).arg(row.countText)
                                     : qsTr("%1, %2").arg(row.queryText).arg(row.whenText)
    Accessible.selected: row.selected
    // The list keeps the keys; the row under the ring is where a screen reader's focus is.
    Accessible.focusable: true
    Accessible.focused: row.current

    HoverHandler { id: hover }
    TapHandler { onTapped: row.clicked() }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: contextMenu.popup()
    }
    function openMenu() { contextMenu.popup(14, height / 2) }
    FocusRing { shown: row.current; anchors.margins: 3; radius: 5 }
    ContextMenu {
        id: contextMenu
        objectName: "historyMenu"
        MenuItem {
            text: qsTr("Delete")
            icon.source: "image://icon/trash?" + Theme.statusErrorText
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
                id: queryLabel
                objectName: "historyQuery"
                // As wide as the name needs, up to the room left beside the dot; the width it
                // needs is measured apart, as an elided text's own measure goes stale.
                Layout.fillWidth: true
                Layout.maximumWidth: Math.ceil(queryWidth.advanceWidth)
                TextMetrics { id: queryWidth; font: queryLabel.font; text: row.queryText }
                text: row.queryText
                font.pixelSize: Theme.textBody
                font.weight: Font.DemiBold
                color: Theme.primaryText
                elide: Text.ElideRight
            }
            Rectangle {
                visible: row.free > 0
                implicitWidth: 7
                implicitHeight: 7
                radius: 3.5
                color: Theme.statusAvailable
            }
            Item { Layout.fillWidth: true }
        }
        Row {
            spacing: 6
            Text {
                text: row.whenText
                font.pixelSize: Theme.textFootnote
                color: Theme.secondaryText
            }
            Text { visible: row.results > 0; text: "•"; font.pixelSize: Theme.textFootnote; color: Theme.tertiaryText }
            Text {
                visible: row.results > 0
                text: row.countText
                font.pixelSize: Theme.textFootnote
                color: row.free > 0 ? Theme.statusAvailableText : Theme.secondaryText
            }
        }
    }
}
