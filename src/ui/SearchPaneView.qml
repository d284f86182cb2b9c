import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// The search pane: the "Search", "Results" and "Brainstorm" cards.
ScrollView {
    id: pane
    property SearchPaneModel model
    readonly property bool queryBlank: model.query.replace(/^[ \t]+|[ \t]+$/g, "").length === 0
    contentWidth: availableWidth
    // Always drawn when there is more below, so that nothing seems to end at the footer.
    ScrollBar.vertical.policy: contentHeight > height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
    clip: true

    function submit() {
        if (!pane.queryBlank)
            pane.model.search()
    }
    function focusField() { field.forceActiveFocus(Qt.OtherFocusReason) }

    Connections {
        target: pane.model
        function onIsHistoricalViewChanged() {
            if (!pane.model.isHistoricalView)
                pane.focusField()
        }
    }

    ColumnLayout {
        width: pane.availableWidth
        spacing: 18

        Item { Layout.preferredHeight: 2 }

        SectionCard {
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
                            background: Item {}
                            padding: 0
                            focus: !pane.model.isHistoricalView
                            onAccepted: pane.submit()
                            Component.onCompleted: if (!pane.model.isHistoricalView) forceActiveFocus()
                        }
                        BusyIndicator {
                            Accessible.name: qsTr("Checking")
                            visible: pane.model.isSearching
                            running: visible
                            Layout.preferredWidth: 24
                            Layout.preferredHeight: 24
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
                            enabled: !pane.queryBlank && !pane.model.isSearching
                            onClicked: pane.submit()
                        }
                    }
                }

                Text {
                    objectName: "lastError"
                    visible: pane.model.lastError.length > 0
                    text: pane.model.lastError
                    font.pixelSize: Theme.textFootnote
                    color: Theme.statusError
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                }

                RowLayout {
                    spacing: 6
                    Layout.fillWidth: true
                    Icon { name: "globe"; color: Theme.secondaryText; size: 12; Layout.alignment: Qt.AlignTop; Layout.topMargin: 2 }
                    Text {
                        objectName: "tldSummary"
                        Layout.fillWidth: true
                        wrapMode: Text.WordWrap
                        text: App.settings.orderedEnabledTLDs.length === 0 ? qsTr("No extensions selected")
                                                                           : qsTr("Checking %1").arg(App.settings.orderedEnabledTLDs.join(", "))
                        font.pixelSize: Theme.textFootnote
                        color: Theme.secondaryText
                    }
                }
            }
        }

        SectionCard {
            objectName: "resultsCard"
            visible: pane.model.liveResults.count > 0
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            title: qsTr("Results")
            titleAccent: Theme.secondaryText
            trailing: Rectangle {
                objectName: "availableBadge"
                visible: pane.model.liveResults.availableCount > 0
                implicitWidth: badgeText.implicitWidth + 16
                implicitHeight: badgeText.implicitHeight + 6
                radius: height / 2
                color: Theme.statusAvailableTint
                Text {
                    id: badgeText
                    anchors.centerIn: parent
                    text: qsTr("%1 available").arg(pane.model.liveResults.availableCount)
                    font.pixelSize: Theme.textFootnote
                    font.weight: Font.DemiBold
                    color: Theme.statusAvailable
                }
            }

            Text {
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
            Repeater {
                objectName: "resultRows"
                model: pane.model.liveResults
                delegate: ResultRow {
                    Layout.fillWidth: true
                    first: index === 0
                    rowDomain: domain
                    rowShownDomain: shownDomain
                    rowLookAlikeHint: lookAlikeHint
                    rowTld: tld
                    rowExpiresAt: expiresAt
                    rowAvailability: availability
                    rowRawResponse: rawResponse
                    rowErrorMessage: errorMessage
                    rowHasError: hasError
                    rowWaiting: waiting
                    rowWaitingHost: waitingHost
                }
            }
        }

        SectionCard {
            objectName: "brainstormCard"
            visible: !pane.model.isHistoricalView && App.settings.useClaudeForSuggestions
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
                enabled: !pane.model.isSuggesting && !pane.queryBlank
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
                color: Theme.statusError
                Layout.fillWidth: true
                Layout.leftMargin: 18
                Layout.rightMargin: 18
                Layout.bottomMargin: 10
            }
            Text {
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

        Item { Layout.preferredHeight: 10 }
    }
}
