import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// The saved searches, newest first.
Rectangle {
    id: root
    color: Theme.sidebarBackground
    property SearchRecord selectedRecord: null
    signal recordSelected(var record)
    signal deleteRequested(var record)
    signal deleteAsked(var record) // the Delete key: asks first
    signal clearAllRequested()

    // Relative times move on while the window is shown, each time one of them would read
    // differently; a hidden window wakes nothing.
    readonly property int tick: RelativeTimeClock.tick
    Binding {
        target: RelativeTimeClock
        property: "shown"
        value: root.Window.window !== null && root.Window.window.visible
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
            Icon { name: "clock.arrow.circlepath"; color: Theme.secondaryText; size: 14 }
            Text { text: qsTr("History"); Accessible.role: Accessible.Heading; Accessible.name: text; font.pixelSize: Theme.textCallout; font.weight: Font.DemiBold; color: Theme.primaryText }
            Item { Layout.fillWidth: true }
            Rectangle {
                objectName: "historyCount"
                Accessible.role: Accessible.StaticText
                Accessible.name: qsTr("%n saved searches", "", HistoryActions.history.count)
                implicitWidth: countText.implicitWidth + 14
                implicitHeight: countText.implicitHeight + 4
                radius: height / 2
                color: Theme.controlBackground
                border.width: 1
                border.color: Theme.separator
                Text {
                    id: countText
                    anchors.centerIn: parent
                    text: HistoryActions.history.count
                    font.pixelSize: Theme.textCaption
                    font.weight: Font.Medium
                    color: Theme.secondaryText
                }
            }
        }
        Divider { Layout.fillWidth: true }

        // What could not be done to the saved searches or the watch list, and why.
        Rectangle {
            objectName: "actionFailure"
            visible: HistoryActions.failure.length > 0
            Layout.fillWidth: true
            Layout.margins: 8
            implicitHeight: failureRow.implicitHeight + 16
            radius: 8
            color: Theme.statusErrorTint
            border.width: 1
            border.color: Theme.statusError
            Accessible.role: Accessible.AlertMessage
            Accessible.name: HistoryActions.failure
            RowLayout {
                id: failureRow
                anchors.fill: parent
                anchors.margins: 8
                spacing: 6
                Icon { name: "exclamationmark.triangle.fill"; color: Theme.statusErrorText; size: 14; Layout.alignment: Qt.AlignTop; Layout.topMargin: 1 }
                Text {
                    objectName: "actionFailureText"
                    Layout.fillWidth: true
                    text: HistoryActions.failure
                    wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                    font.pixelSize: Theme.textFootnote
                    color: Theme.primaryText
                }
                IconButton {
                    objectName: "dismissFailure"
                    Layout.alignment: Qt.AlignTop
                    iconName: "xmark.circle.fill"
                    help: qsTr("Dismiss this message")
                    onClicked: HistoryActions.dismissFailure()
                }
            }
        }

        ListView {
            id: list
            objectName: "historyList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: HistoryActions.history
            focus: true
            activeFocusOnTab: true
            Accessible.role: Accessible.List
            Accessible.name: qsTr("Search history")
            highlightFollowsCurrentItem: false
            // The arrows move the ringed current row, kept in view; Return or Enter opens it,
            // Delete asks and deletes it, the Menu key or Shift+F10 opens its menu.
            onCurrentIndexChanged: if (currentIndex >= 0) positionViewAtIndex(currentIndex, ListView.Contain)
            ScrollBar.vertical: ScrollBar {}
            Keys.onReturnPressed: if (currentItem) root.recordSelected(currentItem.recordObject)
            Keys.onEnterPressed: if (currentItem) root.recordSelected(currentItem.recordObject)
            Keys.onDeletePressed: if (currentItem) root.deleteAsked(currentItem.recordObject)
            Keys.onPressed: event => {
                if (currentItem && (event.key === Qt.Key_Menu || (event.key === Qt.Key_F10 && (event.modifiers & Qt.ShiftModifier)))) {
                    currentItem.openMenu()
                    event.accepted = true
                }
            }
            delegate: HistoryRow {
                width: ListView.view.width
                recordObject: record
                queryText: shownQuery
                when: timestamp
                results: resultCount
                free: availableCount
                tick: root.tick
                selected: root.selectedRecord === record
                current: ListView.isCurrentItem && list.activeFocus
                onClicked: { list.currentIndex = index; list.forceActiveFocus(); root.recordSelected(record) }
                onDeleteRequested: root.deleteRequested(record)
            }

            Column {
                objectName: "emptyHistory"
                visible: list.count === 0
                anchors.centerIn: parent
                spacing: 6
                Icon { name: "magnifyingglass"; color: Theme.tertiaryText; size: 28; anchors.horizontalCenter: parent.horizontalCenter }
                PlainText { text: qsTr("No searches yet"); font.pixelSize: Theme.textCallout; font.weight: Font.DemiBold; color: Theme.secondaryText; anchors.horizontalCenter: parent.horizontalCenter }
                PlainText { text: qsTr("Your domain searches will appear here."); font.pixelSize: Theme.textFootnote; color: Theme.secondaryText; anchors.horizontalCenter: parent.horizontalCenter }
            }
        }

        // The domains checked again in the background, with their last verdict.
        ColumnLayout {
            objectName: "watchingSection"
            visible: HistoryActions.watchList.count > 0
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
                Icon { name: "eye"; color: Theme.secondaryText; size: 14 }
                Text { text: qsTr("Watching"); Accessible.role: Accessible.Heading; Accessible.name: text; font.pixelSize: Theme.textCallout; font.weight: Font.DemiBold; color: Theme.primaryText }
                Item { Layout.fillWidth: true }
            }
            // A check that could not be written to the history file, or a list that could not be read.
            RowLayout {
                objectName: "watchProblem"
                visible: HistoryActions.watchList.problem.length > 0
                Layout.fillWidth: true
                Layout.leftMargin: 14
                Layout.rightMargin: 14
                Layout.bottomMargin: 6
                spacing: 6
                Accessible.role: Accessible.AlertMessage
                Accessible.name: HistoryActions.watchList.problem
                Icon { name: "exclamationmark.triangle.fill"; color: Theme.statusErrorText; size: 12; Layout.alignment: Qt.AlignTop; Layout.topMargin: 1 }
                Text {
                    objectName: "watchProblemText"
                    Layout.fillWidth: true
                    text: HistoryActions.watchList.problem
                    wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                    font.pixelSize: Theme.textCaption
                    color: Theme.primaryText
                }
            }
            ListView {
                id: watching
                objectName: "watchingList"
                Layout.fillWidth: true
                Layout.preferredHeight: contentHeight
                Layout.fillHeight: true
                clip: true
                model: HistoryActions.watchList
                activeFocusOnTab: true
                Accessible.role: Accessible.List
                Accessible.name: qsTr("Watched domains")
                ScrollBar.vertical: ScrollBar {}
                delegate: Item {
                    id: watchedRow
                    width: ListView.view.width
                    implicitHeight: watchedLayout.implicitHeight + 12
                    readonly property var words: ({ [DomainAvailability.Available]: qsTr("available"), [DomainAvailability.Taken]: qsTr("taken"), [DomainAvailability.Unknown]: qsTr("unclear"), [DomainAvailability.Error]: qsTr("error") })
                    readonly property string verdict: words[availability] || qsTr("not checked yet")
                    readonly property string checked: lastChecked && !isNaN(lastChecked) ? (root.tick, Format.relativeTime(lastChecked)) : ""
                    // On its way to release: the phase, and when the name should come free.
                    readonly property string phase: ({ expired: qsTr("expired"), redemption: qsTr("redemption period"), pendingDelete: qsTr("pending delete") })[releasePhase] || ""
                    readonly property string freeAround: Format.shortDate(releaseAround)
                    readonly property string release: freeAround ? qsTr("%1 · expected free around %2").arg(phase).arg(freeAround) : phase
                    readonly property string since: Format.shortDate(releaseSince)
                    readonly property string rule: ({
                        deletionEvent: qsTr("About %1: the date its registry gives for its deletion.").arg(freeAround),
                        pendingDelete: qsTr("About %1: a name is released 5 days after it enters pending delete (on %2).").arg(freeAround).arg(since),
                        redemption: qsTr("About %1: redemption lasts 30 days from %2, then 5 days of pending delete follow.").arg(freeAround).arg(since),
                        expiry: qsTr("About %1, if no one renews it: it expired on %2; a registrar may keep an expired name up to 45 days, then 30 days of redemption and 5 of pending delete follow.").arg(freeAround).arg(since)
                    })[releaseBasis] || ""
                    Accessible.role: Accessible.ListItem
                    Accessible.name: release ? qsTr("%1, %2, %3").arg(shownDomain).arg(verdict).arg(release) : qsTr("%1, %2").arg(shownDomain).arg(verdict)
                    Accessible.description: rule
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
                            DomainText {
                                Layout.fillWidth: true
                                text: shownDomain !== domain ? shownDomain.replace(/-/g, "\u2011") : shownDomain // wraps at the space only
                                wrap: shownDomain !== domain
                                font.pixelSize: Theme.textBody
                                font.weight: availability === DomainAvailability.Available ? Font.DemiBold : Font.Normal
                                color: availability === DomainAvailability.Available ? Theme.statusAvailableText : Theme.primaryText
                            }
                            Text {
                                Layout.fillWidth: true
                                text: watchedRow.checked.length > 0 ? qsTr("%1 · %2").arg(watchedRow.verdict).arg(watchedRow.checked) : watchedRow.verdict
                                elide: Text.ElideRight
                                font.pixelSize: Theme.textCaption
                                color: Theme.secondaryText
                            }
                            Text {
                                objectName: "releaseEstimate"
                                visible: text.length > 0
                                Layout.fillWidth: true
                                text: watchedRow.release
                                wrapMode: Text.WordWrap
                                font.pixelSize: Theme.textCaption
                                color: Theme.secondaryText
                                HoverHandler { id: releaseHover }
                                ToolTip {
                                    visible: releaseHover.hovered && watchedRow.rule.length > 0
                                    delay: 600
                                    text: watchedRow.rule
                                    width: Math.min(implicitWidth, 340) // the rule wraps
                                }
                            }
                        }
                        PlainButton {
                            objectName: "stopWatching"
                            flat: true
                            text: qsTr("Stop watching")
                            help: qsTr("Stop checking %1 in the background").arg(domain)
                            onClicked: HistoryActions.stopWatching(domain)
                        }
                    }
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: clearButton.implicitHeight + 1
            color: Theme.barMaterial
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
                Keys.onReturnPressed: clicked()
                Keys.onEnterPressed: clicked()
                onClicked: root.clearAllRequested()
                contentItem: Row {
                    spacing: 6
                    Icon { name: "trash"; color: Theme.secondaryText; size: 12; anchors.verticalCenter: parent.verticalCenter }
                    Text { text: qsTr("Clear all history"); font.pixelSize: Theme.textFootnote; color: Theme.secondaryText }
                }
                background: Item { FocusRing { control: clearButton; radius: 4; anchors.margins: 2 } }
            }
        }
    }
}
