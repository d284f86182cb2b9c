import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// The search pane: the "Search", "Results" and "Brainstorm" cards in one scrolling list. The
// result rows are the list's delegates, made only for the rows in view, so a search of a
// thousand TLDs builds a screenful of rows; the cards above and below them are the list's header
// and footer, and the "Results" card is drawn in slices: its top in the header, a slice behind
// each row, its bottom in the footer.
Item {
    id: pane
    property SearchPaneModel model
    readonly property bool hasResults: model.liveResults.count > 0
    readonly property bool brainstormShown: !model.isHistoricalView && App.settings.useClaudeForSuggestions

    // Whatever the field holds: a blank name is the model's to refuse, with its message.
    function submit() {
        if (!pane.model.isSearching)
            pane.model.search()
    }
    // Puts the keys on a result row, scrolled into view.
    function focusRow(index) {
        if (index < 0 || index >= list.count)
            return
        list.positionViewAtIndex(index, ListView.Contain)
        const row = list.itemAtIndex(index)
        if (row)
            row.forceActiveFocus(Qt.TabFocusReason)
    }
    // Whatever takes the keys in the pane, by Tab or otherwise, is scrolled into view: Tab
    // reaches rows made ahead of the scrolling, and the cards above and below them.
    function reveal(item) {
        let inside = item
        while (inside && inside !== list.contentItem)
            inside = inside.parent
        if (!inside)
            return
        const box = item.mapToItem(list.contentItem, 0, 0, item.width, item.height)
        const top = list.originY, bottom = Math.max(top, list.originY + list.contentHeight - list.height)
        if (box.y < list.contentY)
            list.contentY = Math.max(top, box.y - 8)
        else if (box.y + box.height > list.contentY + list.height)
            list.contentY = Math.min(bottom, box.y + box.height - list.height + 8)
    }
    Connections {
        target: pane.Window.window
        function onActiveFocusItemChanged() { pane.reveal(pane.Window.window.activeFocusItem) }
    }
    // Tab follows the order of the list's items among their siblings, which is the order the list
    // made them in: the header, the footer, then rows as they scrolled in. Put back in the order
    // they are drawn (header, rows by index, footer), Tab and Shift+Tab walk the pane from top to
    // bottom and back; a screen reader reads it in that order too. The rows just beyond the
    // window are made ahead of the scrolling, so Tab from the last row in view reaches the next.
    function orderChain() {
        const rows = Array.from(list.contentItem.children).filter(child => child.rowIndex !== undefined && child.rowIndex >= 0)
        rows.sort((a, b) => a.rowIndex - b.rowIndex)
        WindowController.chainInOrder([list.headerItem].concat(rows, [list.footerItem]))
    }
    // One sentence for a screen reader when a search settles: how many are free, and which.
    function summary() {
        const rows = pane.model.liveResults
        const free = rows.availableDomains()
        const named = free.length > 5 ? qsTr("%1 and %n more", "", free.length - 5).arg(free.slice(0, 5).join(", ")) : free.join(", ")
        return free.length > 0 ? qsTr("%1 of %2 available: %3").arg(free.length).arg(rows.count).arg(named)
                               : qsTr("%1 of %2 available").arg(0).arg(rows.count)
    }
    function focusField() {
        if (list.headerItem)
            list.headerItem.focusField()
    }

    Connections {
        target: pane.model
        function onIsHistoricalViewChanged() {
            if (!pane.model.isHistoricalView)
                pane.focusField()
        }
        function onIsSearchingChanged() {
            announcer.visible = false
            if (!pane.model.isSearching && pane.model.liveResults.count > 0) {
                announcer.text = pane.summary()
                announcer.visible = true
            }
        }
    }
    // An alert that shows itself when a search settles, which is what a screen reader announces.
    Item {
        id: announcer
        objectName: "searchSummary"
        property string text
        visible: false
        width: 1
        height: 1
        Accessible.role: Accessible.AlertMessage
        Accessible.name: text
    }

    ListView {
        id: list
        objectName: "resultRows"
        anchors.fill: parent
        clip: true
        focus: true
        model: pane.model.liveResults
        reuseItems: true
        currentIndex: -1
        highlightFollowsCurrentItem: false
        boundsBehavior: Flickable.StopAtBounds
        // Always drawn when there is more below, so that nothing seems to end at the footer.
        ScrollBar.vertical: ScrollBar { policy: list.contentHeight > list.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff }
        // The list measures from its first row: when the cards above the rows grow or shrink, a
        // pane scrolled to its top stays at its top.
        property bool atTop: true
        onContentYChanged: atTop = contentY <= originY + 0.5
        onOriginYChanged: if (atTop) contentY = originY

        header: ColumnLayout {
            width: list.width
            spacing: 0
            function focusField() { field.forceActiveFocus(Qt.OtherFocusReason) }

            Item { Layout.preferredHeight: 20 }

            SectionCard {
                id: searchCard
                objectName: "searchCard"
                visible: !pane.model.isHistoricalView
                Layout.fillWidth: true
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                title: qsTr("Search")
                titleAccent: Theme.brandInkText

                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.leftMargin: 18
                    Layout.rightMargin: 18
                    spacing: 12

                    Rectangle {
                        Layout.fillWidth: true
                        implicitHeight: fieldRow.implicitHeight + 24
                        radius: 8
                        color: Theme.textBackground
                        border.width: 1
                        border.color: field.activeFocus ? Theme.focusRing : Theme.separator
                        RowLayout {
                            id: fieldRow
                            anchors.fill: parent
                            anchors.margins: 12
                            spacing: 10
                            Icon { name: "magnifyingglass"; color: Theme.secondaryText; size: 17 }
                            TextField {
                                id: field
                                objectName: "searchField"
                                Layout.fillWidth: true
                                text: pane.model.query
                                onTextEdited: pane.model.query = text
                                placeholderText: qsTr("Domain name (e.g. pellunor)")
                                Accessible.role: Accessible.EditableText
                                Accessible.name: qsTr("Domain name")
                                selectionColor: Theme.selection
                                selectedTextColor: Theme.primaryText
                                placeholderTextColor: Theme.tertiaryText
                                font.pixelSize: Theme.textField
                                font.weight: Font.Medium
                                color: Theme.primaryText
                                cursorDelegate: Caret {}
                                background: Item {}
                                padding: 0
                                focus: !pane.model.isHistoricalView
                                onAccepted: pane.submit()
                                Component.onCompleted: if (!pane.model.isHistoricalView) forceActiveFocus()
                            }
                            Spinner {
                                Accessible.name: qsTr("Checking")
                                visible: pane.model.isSearching
                                Layout.preferredWidth: 20
                                Layout.preferredHeight: 20
                                Layout.leftMargin: 2
                                Layout.rightMargin: 2
                            }
                            FilledButton {
                                objectName: "checkButton"
                                visible: !pane.model.isSearching
                                text: qsTr("Check")
                                iconName: "arrow.right.circle.fill"
                                fontSize: 14
                                radius: 7
                                leftPadding: 14
                                rightPadding: 14
                                topPadding: 8
                                bottomPadding: 8
                                enabled: pane.model.canSearch
                                onClicked: pane.submit()
                            }
                        }
                    }

                    PlainText {
                        objectName: "lastError"
                        visible: pane.model.lastError.length > 0
                        text: pane.model.lastError
                        font.pixelSize: Theme.textFootnote
                        color: Theme.statusErrorText
                        Layout.fillWidth: true
                        wrapMode: Text.WordWrap
                    }

                    RowLayout {
                        spacing: 6
                        Layout.fillWidth: true
                        Icon { name: "globe"; color: Theme.secondaryText; size: 12; Layout.alignment: Qt.AlignTop; Layout.topMargin: 2 }
                        PlainText {
                            objectName: "tldSummary"
                            // The list is read once per change, not once per use; a catalogue of hundreds
                            // shows its first three lines, not a wall of text above the results.
                            readonly property var tlds: App.settings.orderedEnabledTLDs
                            Layout.fillWidth: true
                            wrapMode: Text.WordWrap
                            maximumLineCount: 3
                            elide: Text.ElideRight
                            text: tlds.length === 0 ? qsTr("No extensions selected") : qsTr("Checking %1").arg(tlds.join(", "))
                            font.pixelSize: Theme.textFootnote
                            color: Theme.secondaryText
                        }
                    }
                }
            }
            Item { visible: searchCard.visible; Layout.preferredHeight: 18 }

            // The top of the "Results" card; its rows follow as the list's delegates.
            CardSlice {
                objectName: "resultsCard"
                visible: pane.hasResults
                edges: Qt.TopEdge
                Layout.fillWidth: true
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                implicitHeight: resultsHead.implicitHeight
                ColumnLayout {
                    id: resultsHead
                    anchors.left: parent.left
                    anchors.right: parent.right
                    spacing: 0
                    CardTitle {
                        title: qsTr("Results")
                        accent: Theme.secondaryText
                        trailing: Rectangle {
                            objectName: "availableBadge"
                            visible: pane.model.liveResults.availableCount > 0
                            implicitWidth: badgeText.implicitWidth + 16
                            implicitHeight: badgeText.implicitHeight + 6
                            radius: height / 2
                            color: Theme.statusAvailableTint
                            PlainText {
                                id: badgeText
                                anchors.centerIn: parent
                                text: qsTr("%n available", "", pane.model.liveResults.availableCount)
                                font.pixelSize: Theme.textFootnote
                                font.weight: Font.DemiBold
                                color: Theme.statusAvailableText
                            }
                        }
                    }
                    PlainText {
                        visible: pane.model.activeRecord !== null
                        text: pane.model.activeRecord ? Format.longDate(pane.model.activeRecord.timestamp, true) : ""
                        elide: Text.ElideRight
                        Layout.fillWidth: true
                        font.pixelSize: Theme.textFootnote
                        color: Theme.secondaryText
                        Layout.leftMargin: 18
                        Layout.rightMargin: 18
                        Layout.bottomMargin: 10
                    }
                }
            }
        }

        onFooterItemChanged: pane.orderChain()
        delegate: ResultRow {
            readonly property int rowIndex: index
            onRowIndexChanged: pane.orderChain()
            Component.onCompleted: pane.orderChain()
            ListView.onReused: pane.orderChain()
            width: ListView.view.width
            first: index === 0
            rowDomain: domain
            rowShownDomain: shownDomain
            rowLookAlikeHint: lookAlikeHint
            rowTld: tld
            rowExpiresAt: expiresAt
            rowAvailability: availability
            rowRawResponse: expanded ? rawResponse : ""
            rowErrorMessage: errorMessage
            rowHasError: hasError
            rowHasRaw: hasRaw
            rowWaiting: waiting
            rowWaitingHost: waitingHost
            showRaw: expanded
            watched: model.watched
            onToggleRaw: pane.model.liveResults.setExpanded(index, !expanded)
            onStep: delta => pane.focusRow(index + delta)
        }

        footer: ColumnLayout {
            width: list.width
            spacing: 0

            // The bottom of the "Results" card.
            CardSlice {
                visible: pane.hasResults
                edges: Qt.BottomEdge
                Layout.fillWidth: true
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                Layout.preferredHeight: 14
            }
            Item { visible: pane.hasResults; Layout.preferredHeight: 18 }

            SectionCard {
                id: brainstormCard
                objectName: "brainstormCard"
                visible: pane.brainstormShown
                Layout.fillWidth: true
                Layout.leftMargin: 24
                Layout.rightMargin: 24
                title: qsTr("Brainstorm")
                titleAccent: Theme.brandAccent
                trailing: FilledButton {
                    objectName: "brainstormButton"
                    text: pane.model.suggestions.count > 0 ? qsTr("Regenerate") : qsTr("Generate ideas")
                    iconName: "wand.and.stars"
                    busy: pane.model.isSuggesting
                    fontSize: 12
                    leftPadding: 10
                    rightPadding: 10
                    enabled: pane.model.canSuggest
                    onClicked: pane.model.suggest()
                }

                TextEdit {
                    objectName: "suggestionError"
                    visible: pane.model.suggestionError.length > 0
                    text: pane.model.suggestionError
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.Wrap
                    font.pixelSize: Theme.textFootnote
                    color: Theme.statusErrorText
                    Layout.fillWidth: true
                    Layout.leftMargin: 18
                    Layout.rightMargin: 18
                    Layout.bottomMargin: 10
                }
                PlainText {
                    visible: pane.model.suggestions.count === 0 && !pane.model.isSuggesting && pane.model.suggestionError.length === 0
                    text: qsTr("Generate alternative names. Suggestions go through your local Claude Code subscription, nothing is sent to third-party services.")
                    wrapMode: Text.WordWrap
                    font.pixelSize: Theme.textBody
                    color: Theme.secondaryText
                    Layout.fillWidth: true
                    Layout.leftMargin: 18
                    Layout.rightMargin: 18
                }
                Repeater {
                    model: pane.model.suggestions
                    delegate: SuggestionRow {
                        Layout.fillWidth: true
                        first: index === 0
                        suggestionName: name
                        suggestionRationale: rationale
                        onUse: pane.model.useSuggestion(name)
                    }
                }
            }
            Item { visible: brainstormCard.visible; Layout.preferredHeight: 18 }

            Item { Layout.preferredHeight: 10 }
        }
    }
}
