import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane.Ui as Ui

// The main window's content: history on the left, the search pane on the right.
Item {
    id: root
    property var hostWindow
    readonly property QtObject model: app.createSearchPaneModel(root)
    property var selectedRecord: null
    property alias clearDialog: clearDialog

    function select(record) {
        selectedRecord = record
        if (record)
            model.showRecord(record)
    }
    function deleteRecord(record) {
        if (selectedRecord === record)
            selectedRecord = null
        app.deleteRecord(record)
    }
    function newSearch() {
        model.newSearch()
        selectedRecord = null
    }

    SplitView {
        anchors.fill: parent
        orientation: Qt.Horizontal
        handle: Rectangle {
            implicitWidth: 1
            color: Ui.Palette.separator
        }

        HistorySidebar {
            id: sidebar
            objectName: "historySidebar"
            SplitView.minimumWidth: 240
            SplitView.preferredWidth: 280
            selectedRecord: root.selectedRecord
            onRecordSelected: record => root.select(record)
            onDeleteRequested: record => root.deleteRecord(record)
            onClearAllRequested: clearDialog.open()
        }

        ColumnLayout {
            SplitView.fillWidth: true
            SplitView.minimumWidth: 480
            spacing: 0

            BrandHeader {
                Layout.fillWidth: true
                hostWindow: root.hostWindow
            }
            HistoricalStrip {
                objectName: "historicalStrip"
                Layout.fillWidth: true
                visible: root.model.isHistoricalView
                record: root.model.activeRecord
                onNewSearch: root.newSearch()
            }
            SearchPaneView {
                objectName: "searchPane"
                Layout.fillWidth: true
                Layout.fillHeight: true
                model: root.model
            }
            BrandFooter {
                Layout.fillWidth: true
            }
        }
    }

    Dialog {
        id: clearDialog
        objectName: "clearDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        width: 380
        padding: 20
        readonly property int count: app.history.count
        background: Rectangle { radius: 12; color: Ui.Palette.controlBackground; border.color: Ui.Palette.separator }
        Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.25) }
        contentItem: ColumnLayout {
            spacing: 10
            Image {
                source: "image://icon/VarivUzaz?" + Ui.Palette.brandInk
                sourceSize: Qt.size(96, 96)
                Layout.preferredWidth: 44
                Layout.preferredHeight: 44
            }
            Text {
                text: "Clear all search history?"
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: Ui.Palette.primaryText
            }
            Text {
                Layout.fillWidth: true
                text: "This deletes every saved search and its results. This cannot be undone."
                wrapMode: Text.WordWrap
                font.pixelSize: 13
                color: Ui.Palette.primaryText
            }
            RowLayout {
                Layout.topMargin: 10
                Layout.fillWidth: true
                spacing: 10
                Item { Layout.fillWidth: true }
                FilledButton {
                    objectName: "cancelClear"
                    text: "Cancel"
                    fill: Qt.rgba(0, 0, 0, 0.07)
                    ink: Ui.Palette.primaryText
                    fontSize: 13
                    onClicked: clearDialog.close()
                }
                FilledButton {
                    objectName: "confirmClear"
                    text: "Clear " + clearDialog.count + " search" + (clearDialog.count === 1 ? "" : "es")
                    fill: Ui.Palette.statusError
                    fontSize: 13
                    onClicked: {
                        app.clearHistory()
                        root.selectedRecord = null
                        clearDialog.close()
                    }
                }
            }
        }
    }
}
