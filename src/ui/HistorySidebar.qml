import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane.Ui as Ui

// The saved searches, newest first.
Rectangle {
    id: root
    color: Ui.Palette.sidebarBackground
    property var selectedRecord: null
    signal recordSelected(var record)
    signal deleteRequested(var record)
    signal clearAllRequested()

    // Relative times move on while the window is shown; a hidden window wakes nothing.
    property int tick: 0
    Timer {
        interval: 30000
        repeat: true
        running: root.Window.window !== null && root.Window.window.visible
        onTriggered: root.tick++
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 14
            Layout.rightMargin: 14
            Layout.topMargin: 12
            Layout.bottomMargin: 8
            spacing: 8
            Icon { name: "clock.arrow.circlepath"; color: Ui.Palette.secondaryText; size: 14 }
            Text { text: qsTr("History"); Accessible.role: Accessible.Heading; Accessible.name: text; font.pixelSize: Ui.Palette.textCallout; font.weight: Font.DemiBold; color: Ui.Palette.primaryText }
            Item { Layout.fillWidth: true }
            Rectangle {
                objectName: "historyCount"
                Accessible.role: Accessible.StaticText
                Accessible.name: qsTr("%n saved search(es)", "", app.history.count)
                implicitWidth: countText.implicitWidth + 14
                implicitHeight: countText.implicitHeight + 4
                radius: height / 2
                color: Ui.Palette.controlBackground
                border.width: 1
                border.color: Ui.Palette.separator
                Text {
                    id: countText
                    anchors.centerIn: parent
                    text: app.history.count
                    font.pixelSize: Ui.Palette.textCaption
                    font.weight: Font.Medium
                    color: Ui.Palette.secondaryText
                }
            }
        }
        Divider { Layout.fillWidth: true }

        ListView {
            id: list
            objectName: "historyList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: app.history
            focus: true
            activeFocusOnTab: true
            Accessible.role: Accessible.List
            Accessible.name: qsTr("Search history")
            highlightFollowsCurrentItem: false
            // The ring shows which list has the keys; Delete then removes the selected search.
            FocusRing { control: list; anchors.margins: 1; z: 2; visible: list.activeFocus && root.selectedRecord !== null }
            ScrollBar.vertical: ScrollBar {}
            Keys.onDeletePressed: if (root.selectedRecord) root.deleteRequested(root.selectedRecord)
            delegate: HistoryRow {
                width: ListView.view.width
                recordObject: record
                queryText: query
                when: timestamp
                results: resultCount
                free: availableCount
                tick: root.tick
                selected: root.selectedRecord === record
                onClicked: { list.forceActiveFocus(); root.recordSelected(record) }
                onDeleteRequested: root.deleteRequested(record)
            }

            Column {
                objectName: "emptyHistory"
                visible: list.count === 0
                anchors.centerIn: parent
                spacing: 6
                Icon { name: "magnifyingglass"; color: Ui.Palette.tertiaryText; size: 28; anchors.horizontalCenter: parent.horizontalCenter }
                Text { text: qsTr("No searches yet"); font.pixelSize: Ui.Palette.textCallout; font.weight: Font.DemiBold; color: Ui.Palette.secondaryText; anchors.horizontalCenter: parent.horizontalCenter }
                Text { text: qsTr("Your domain searches will appear here."); font.pixelSize: Ui.Palette.textFootnote; color: Ui.Palette.secondaryText; anchors.horizontalCenter: parent.horizontalCenter }
            }
        }

        // The domains checked again in the background, with their last verdict.
        ColumnLayout {
            objectName: "watchingSection"
            visible: app.watchList.count > 0
            Layout.fillWidth: true
            Layout.maximumHeight: root.height * 0.4
            spacing: 0
            Divider { Layout.fillWidth: true }
            RowLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 14
                Layout.rightMargin: 14
                Layout.topMargin: 10
                Layout.bottomMargin: 6
                spacing: 8
                Icon { name: "eye"; color: Ui.Palette.secondaryText; size: 14 }
                Text { text: qsTr("Watching"); Accessible.role: Accessible.Heading; Accessible.name: text; font.pixelSize: Ui.Palette.textCallout; font.weight: Font.DemiBold; color: Ui.Palette.primaryText }
                Item { Layout.fillWidth: true }
            }
            ListView {
                id: watching
                objectName: "watchingList"
                Layout.fillWidth: true
                Layout.preferredHeight: contentHeight
                Layout.fillHeight: true
                clip: true
                model: app.watchList
                activeFocusOnTab: true
                Accessible.role: Accessible.List
                Accessible.name: qsTr("Watched domains")
                ScrollBar.vertical: ScrollBar {}
                delegate: Item {
                    id: watchedRow
                    width: ListView.view.width
                    implicitHeight: watchedLayout.implicitHeight + 12
                    readonly property var words: ({ available: qsTr("available"), taken: qsTr("taken"), unknown: qsTr("unclear"), error: qsTr("error") })
                    readonly property string verdict: words[availability] || qsTr("not checked yet")
                    readonly property string checked: lastChecked && !isNaN(lastChecked) ? (root.tick, app.relativeTime(lastChecked)) : ""
                    Accessible.role: Accessible.ListItem
                    Accessible.name: qsTr("%1, %2").arg(domain).arg(verdict)
                    RowLayout {
                        id: watchedLayout
                        anchors.left: parent.left
                        anchors.right: parent.right
                        anchors.verticalCenter: parent.verticalCenter
                        anchors.leftMargin: 14
                        anchors.rightMargin: 10
                        spacing: 6
                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 1
                            Text {
                                Layout.fillWidth: true
                                text: domain
                                elide: Text.ElideMiddle
                                font.pixelSize: Ui.Palette.textBody
                                font.weight: availability === "available" ? Font.DemiBold : Font.Normal
                                color: availability === "available" ? Ui.Palette.statusAvailable : Ui.Palette.primaryText
                            }
                            Text {
                                Layout.fillWidth: true
                                text: watchedRow.checked.length > 0 ? qsTr("%1 · %2").arg(watchedRow.verdict).arg(watchedRow.checked) : watchedRow.verdict
                                elide: Text.ElideRight
                                font.pixelSize: Ui.Palette.textCaption
                                color: Ui.Palette.secondaryText
                            }
                        }
                        PlainButton {
                            objectName: "stopWatching"
                            flat: true
                            text: qsTr("Stop watching")
                            help: qsTr("Stop checking %1 in the background").arg(domain)
                            onClicked: app.stopWatching(domain)
                        }
                    }
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: clearButton.implicitHeight + 1
            color: Ui.Palette.barMaterial
            Divider { anchors.top: parent.top; anchors.left: parent.left; anchors.right: parent.right }
            AbstractButton {
                id: clearButton
                objectName: "clearAllButton"
                anchors.bottom: parent.bottom
                anchors.left: parent.left
                padding: 10
                hoverEnabled: true
                ToolTip.visible: hovered
                ToolTip.text: qsTr("Delete every saved search (asks for confirmation)")
                Accessible.role: Accessible.Button
                Accessible.name: qsTr("Clear all history")
                Accessible.description: ToolTip.text
                focusPolicy: Qt.StrongFocus
                ToolTip.delay: 600
                onClicked: root.clearAllRequested()
                contentItem: Row {
                    spacing: 6
                    Icon { name: "trash"; color: Ui.Palette.secondaryText; size: 12; anchors.verticalCenter: parent.verticalCenter }
                    Text { text: qsTr("Clear all history"); font.pixelSize: Ui.Palette.textFootnote; color: Ui.Palette.secondaryText }
                }
                background: Item { FocusRing { control: clearButton; radius: 4; anchors.margins: 2 } }
            }
        }
    }
}
