import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// The main window's content: history on the left, the search pane on the right.
Item {
    id: root
    property Window hostWindow
    // The model outlives the window: a window built anew shows the search where it was.
    readonly property SearchPaneModel model: App.searchPane
    property alias clearDialog: clearDialog
    property alias deleteDialog: deleteDialog

    function select(record) {
        if (record)
            model.showRecord(record)
    }
    function deleteRecord(record) {
        HistoryActions.deleteRecord(record)
    }
    function newSearch() {
        model.newSearch()
        pane.focusField()
    }
    function focusField() {
        if (model.isHistoricalView)
            newSearch()
        else
            pane.focusField()
    }
    function focusFieldIfLive() {
        if (!model.isHistoricalView)
            pane.focusField()
    }

    // Return and Enter belong to the focused control alone. Escape puts the window away when the
    // tray can bring it back, and otherwise clears the field.
    Keys.onEscapePressed: {
        if (WindowController.trayAvailable && hostWindow)
            hostWindow.hide()
        else if (!model.isHistoricalView) {
            model.query = ""
            pane.focusField()
        }
    }
    // A notification about a watched domain was clicked: search its name afresh. The desktop's
    // search opens the search it ran, or a new one with what was typed there.
    Connections {
        target: WindowController
        function onRevealRequested(name) {
            root.newSearch()
            root.model.query = name
            pane.submit()
        }
        function onSearchRequested(record) { root.select(record) }
        function onTextRequested(text) {
            root.newSearch()
            root.model.query = text
        }
    }
    // A saved search shown while it still runs (one the desktop's search started) fills in.
    Connections {
        target: root.model.isHistoricalView ? root.model.activeRecord : null
        function onResultsChanged() { root.model.showRecord(root.model.activeRecord) }
    }

    SplitView {
        anchors.fill: parent
        orientation: Qt.Horizontal
        handle: Rectangle {
            implicitWidth: 1
            color: Theme.separator
        }

        HistorySidebar {
            id: sidebar
            objectName: "historySidebar"
            SplitView.minimumWidth: 240
            SplitView.preferredWidth: 280
            selectedRecord: root.model.selectedRecord
            onRecordSelected: record => root.select(record)
            onDeleteRequested: record => root.deleteRecord(record)
            onDeleteAsked: record => { deleteDialog.record = record; deleteDialog.open() }
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
                id: pane
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

    ConfirmDialog {
        id: clearDialog
        objectName: "clearDialog"
        readonly property int count: HistoryActions.history.count
        heading: qsTr("Clear all search history?")
        message: qsTr("This deletes every saved search and its results. This cannot be undone.")
        confirmText: qsTr("Clear %n searches", "", count)
        confirmName: "confirmClear"
        onConfirmed: HistoryActions.clearHistory()
    }
    ConfirmDialog {
        id: deleteDialog
        objectName: "deleteDialog"
        property SearchRecord record: null
        heading: qsTr("Delete the search “%1”?").arg(record ? record.query : "")
        message: qsTr("This deletes the saved search and its results. This cannot be undone.")
        confirmText: qsTr("Delete")
        confirmName: "confirmDelete"
        onConfirmed: if (record) root.deleteRecord(record)
        onClosed: record = null
    }
}
