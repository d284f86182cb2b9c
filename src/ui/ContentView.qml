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
    property SearchRecord selectedRecord: null
    Component.onCompleted: selectedRecord = model.isHistoricalView ? model.activeRecord : null
    property alias clearDialog: clearDialog

    function select(record) {
        selectedRecord = record
        if (record)
            model.showRecord(record)
    }
    function deleteRecord(record) {
        if (selectedRecord === record)
            selectedRecord = null
        HistoryActions.deleteRecord(record)
    }
    function newSearch() {
        model.newSearch()
        selectedRecord = null
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

    // Return runs the search from wherever the focus is, as long as a live search shows; Escape
    // puts the window away when the tray can bring it back, and otherwise clears the field.
    Keys.onReturnPressed: event => submitFromKeyboard(event)
    Keys.onEnterPressed: event => submitFromKeyboard(event)
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

    function submitFromKeyboard(event) {
        if (model.isHistoricalView || model.isSearching)
            return
        pane.submit()
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

    Dialog {
        id: clearDialog
        objectName: "clearDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        width: 380
        padding: 20
        readonly property int count: HistoryActions.history.count
        background: Rectangle { radius: 12; color: Theme.controlBackground; border.color: Theme.separator }
        Overlay.modal: Rectangle { color: Theme.modalDim }
        contentItem: ColumnLayout {
            spacing: 10
            Accessible.role: Accessible.Dialog
            Accessible.name: qsTr("Clear all search history?")
            Image {
                Accessible.ignored: true
                source: "image://icon/VarivUzaz?" + Theme.brandInkText
                sourceSize: Qt.size(96, 96)
                Layout.preferredWidth: 44
                Layout.preferredHeight: 44
            }
            Text {
                text: qsTr("Clear all search history?")
                font.pixelSize: Theme.textBody
                font.weight: Font.DemiBold
                color: Theme.primaryText
            }
            Text {
                Layout.fillWidth: true
                text: qsTr("This deletes every saved search and its results. This cannot be undone.")
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.textSmall
                color: Theme.primaryText
            }
            RowLayout {
                Layout.topMargin: 10
                Layout.fillWidth: true
                spacing: 10
                Item { Layout.fillWidth: true }
                FilledButton {
                    objectName: "cancelClear"
                    text: qsTr("Cancel")
                    fill: Theme.quietFill
                    ink: Theme.primaryText
                    fontSize: 13
                    onClicked: clearDialog.close()
                }
                FilledButton {
                    objectName: "confirmClear"
                    text: qsTr("Clear %n searches", "", clearDialog.count)
                    fill: Theme.dangerFill
                    fontSize: 13
                    onClicked: {
                        HistoryActions.clearHistory()
                        root.selectedRecord = null
                        clearDialog.close()
                    }
                }
            }
        }
    }
}
