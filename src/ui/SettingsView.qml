import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// Three tabs: the TLD catalogue, the claude options, the gong.
ColumnLayout {
    id: root
    spacing: 12
    property string selectedNewTLD: ""
    property string detectedPath: ""
    property string detectionMessage: ""
    property alias currentTab: tabs.currentIndex
    readonly property AppSettings settings: App.settings
    readonly property bool mac: Qt.platform.os === "osx"

    function addSelected() {
        if (selectedNewTLD.length === 0)
            return
        if (settings.addTLD(selectedNewTLD)) {
            selectedNewTLD = ""
            picker.text = ""
        }
    }
    function detect() {
        detectedPath = App.detectClaude()
        const custom = settings.claudeBinaryPath.trim()
        detectionMessage = detectedPath.length > 0 ? qsTr("Found at %1").arg(detectedPath)
                         : custom.length > 0 ? qsTr("Nothing found at %1.").arg(custom)
                         : qsTr("Not found in PATH or common locations.")
    }

    TabBar {
        id: tabs
        objectName: "settingsTabs"
        Layout.alignment: Qt.AlignHCenter
        spacing: 4
        background: Rectangle { radius: 8; color: Theme.quietFill }
        Repeater {
            model: [{ name: "TLDs", label: qsTr("TLDs"), icon: "globe" }, { name: "Claude", label: qsTr("Claude"), icon: "sparkles" },
                    { name: "Sound", label: qsTr("Sound"), icon: "bell" }, { name: "General", label: qsTr("General"), icon: "power.circle.fill" }]
            delegate: TabButton {
                id: tabButton
                objectName: "tab" + modelData.name
                width: 108
                padding: 6
                Accessible.role: Accessible.PageTab
                Accessible.name: modelData.label
                background: Rectangle {
                    radius: 7
                    color: tabs.currentIndex === index ? Theme.controlBackground : "transparent"
                    border.width: tabs.currentIndex === index ? 1 : 0
                    border.color: Theme.separator
                    FocusRing { control: tabButton; radius: 7; anchors.margins: -1 }
                }
                contentItem: Item {
                  implicitWidth: tabLabel.implicitWidth
                  implicitHeight: tabLabel.implicitHeight
                  Row {
                    id: tabLabel
                    anchors.centerIn: parent
                    spacing: 6
                    Icon { name: modelData.icon; color: tabs.currentIndex === index ? Theme.brandInkText : Theme.secondaryText; size: 14; anchors.verticalCenter: parent.verticalCenter }
                    Text { text: modelData.label; font.pixelSize: Theme.textSmall; font.weight: tabs.currentIndex === index ? Font.DemiBold : Font.Normal; color: tabs.currentIndex === index ? Theme.brandInkText : Theme.secondaryText; anchors.verticalCenter: parent.verticalCenter }
                  }
                }
            }
        }
    }

    StackLayout {
        Layout.fillWidth: true
        Layout.fillHeight: true
        currentIndex: tabs.currentIndex

        // TLDs
        ColumnLayout {
            spacing: 14
            PlainText { text: qsTr("Top-level domains to check on every search."); font.pixelSize: Theme.textBody; color: Theme.secondaryText; wrapMode: Text.WordWrap; Layout.fillWidth: true }
            RowLayout {
                spacing: 10
                // Type to narrow the TLDs the program can check (the WHOIS table's and the RDAP
                // bootstrap file's, well over a thousand) to a short list to pick from.
                TextField {
                    id: picker
                    objectName: "tldPicker"
                    cursorDelegate: Caret {}
                    Layout.preferredWidth: 260
                    property alias popup: matchesPopup
                    readonly property bool anyLeft: root.settings.addableTLDs.length > 0
                    readonly property var matches: anyLeft ? root.settings.addableTLDsMatching(text, 50) : []
                    enabled: anyLeft
                    placeholderText: anyLeft ? qsTr("Type to find a TLD…") : qsTr("All known TLDs already added")
                    placeholderTextColor: Theme.tertiaryText
                    color: Theme.primaryText
                    selectionColor: Theme.selection
                    selectedTextColor: Theme.primaryText
                    font.pixelSize: Theme.textBody
                    Accessible.role: Accessible.EditableText
                    Accessible.name: qsTr("TLD to add")
                    background: Rectangle {
                        implicitHeight: 32
                        radius: 6
                        color: Theme.textBackground
                        opacity: picker.enabled ? 1 : 0.5
                        border.width: picker.activeFocus ? 2 : 1
                        border.color: picker.activeFocus ? Theme.focusRing : Theme.separator
                    }
                    function choose(tld) {
                        root.selectedNewTLD = tld
                        text = tld
                        matchesPopup.close()
                    }
                    onTextEdited: {
                        const typed = text.trim().toLowerCase()
                        const normal = typed.startsWith(".") ? typed : "." + typed
                        root.selectedNewTLD = matches.indexOf(normal) >= 0 ? normal : ""
                        matchList.currentIndex = -1
                        if (matches.length > 0)
                            matchesPopup.open()
                        else
                            matchesPopup.close()
                    }
                    // The matches belong to the field: Tab away, and they go.
                    onActiveFocusChanged: {
                        if (!activeFocus)
                            matchesPopup.close()
                        else if (matches.length > 0 && root.selectedNewTLD.length === 0)
                            matchesPopup.open()
                    }
                    Keys.onDownPressed: { matchesPopup.open(); matchList.incrementCurrentIndex() }
                    Keys.onUpPressed: matchList.decrementCurrentIndex()
                    Keys.onEscapePressed: event => { event.accepted = matchesPopup.visible; matchesPopup.close() }
                    Keys.onReturnPressed: {
                        if (matchesPopup.visible && matches.length > 0)
                            choose(matches[Math.max(0, matchList.currentIndex)])
                        else
                            root.addSelected()
                    }
                    Keys.onEnterPressed: Keys.returnPressed(event)
                    Popup {
                        id: matchesPopup
                        y: picker.height + 2
                        width: picker.width
                        implicitHeight: Math.min(matchList.contentHeight + 8, 240)
                        padding: 4
                        background: Rectangle {
                            radius: 6
                            color: Theme.controlBackground
                            border.width: 1
                            border.color: Theme.separator
                        }
                        contentItem: ListView {
                            id: matchList
                            objectName: "tldMatches"
                            clip: true
                            model: picker.matches
                            currentIndex: -1
                            ScrollBar.vertical: ScrollBar {}
                            Accessible.role: Accessible.List
                            Accessible.name: qsTr("Matching TLDs")
                            delegate: ItemDelegate {
                                id: match
                                required property int index
                                required property var modelData
                                width: ListView.view.width
                                highlighted: ListView.isCurrentItem || hovered
                                hoverEnabled: true
                                focusPolicy: Qt.NoFocus // a click picks; the keys stay in the field
                                Accessible.name: String(modelData)
                                contentItem: Text {
                                    text: String(match.modelData)
                                    font.pixelSize: Theme.textBody
                                    color: match.highlighted ? Theme.brandPaper : Theme.primaryText
                                    verticalAlignment: Text.AlignVCenter
                                }
                                background: Rectangle { radius: 4; color: match.highlighted ? Theme.accentFill : "transparent" }
                                onClicked: picker.choose(String(modelData))
                            }
                        }
                    }
                }
                FilledButton {
                    objectName: "addButton"
                    text: qsTr("Add")
                    fontSize: 14
                    leftPadding: 14
                    rightPadding: 14
                    topPadding: 6
                    bottomPadding: 6
                    enabled: root.selectedNewTLD.length > 0
                    onClicked: root.addSelected()
                }
            }
            Rectangle {
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.minimumHeight: 220
                radius: 8
                color: Theme.controlBackground
                border.width: 1
                border.color: Theme.separator
                ListView {
                    id: tldList
                    objectName: "tldList"
                    anchors.fill: parent
                    anchors.margins: 6
                    clip: true
                    model: root.settings.tlds
                    currentIndex: -1
                    Keys.onDeletePressed: if (currentIndex >= 0) root.settings.removeTLDs([currentIndex])
                    Accessible.role: Accessible.List
                    Accessible.name: qsTr("Top-level domains")
                    ScrollBar.vertical: ScrollBar {}
                    delegate: Rectangle {
                        id: tldRow
                        objectName: "tldRow"
                        width: ListView.view.width
                        implicitHeight: tldRowLayout.implicitHeight + 4 + 8
                        radius: 5
                        color: ListView.isCurrentItem ? Theme.selection : "transparent"
                        property string tld: modelData
                        Accessible.role: Accessible.ListItem
                        Accessible.name: modelData
                        TapHandler { onTapped: { tldList.currentIndex = index; tldList.forceActiveFocus() } }
                        RowLayout {
                            id: tldRowLayout
                            anchors.fill: parent
                            anchors.leftMargin: 8
                            anchors.rightMargin: 8
                            anchors.topMargin: 6
                            anchors.bottomMargin: 6
                            spacing: 10
                            // Drag the handle up or down to reorder.
                            Icon {
                                name: "line.3.horizontal"
                                ToolTip.visible: dragHover.hovered
                                ToolTip.text: qsTr("Drag to reorder")
                                ToolTip.delay: 600
                                HoverHandler { id: dragHover }
                                color: Theme.tertiaryText
                                size: 12
                                DragHandler {
                                    target: null
                                    yAxis.enabled: true
                                    xAxis.enabled: false
                                    onActiveChanged: {
                                        if (active)
                                            return
                                        const rows = Math.round(centroid.scenePosition.y - centroid.scenePressPosition.y) / tldRow.height
                                        const target = Math.max(0, Math.min(root.settings.tlds.length, index + Math.round(rows) + (rows > 0 ? 1 : 0)))
                                        if (target !== index && target !== index + 1)
                                            root.settings.moveTLDs([index], target)
                                    }
                                }
                            }
                            Icon { name: "globe.americas.fill"; color: Theme.secondaryText; size: 14 }
                            Text { text: modelData; font.family: "monospace"; font.pixelSize: Theme.textBody; color: Theme.primaryText }
                            Item { Layout.fillWidth: true }
                            IconButton {
                                objectName: "removeTLD"
                                iconName: "minus.circle.fill"
                                ink: Theme.statusErrorText
                                iconSize: 16
                                help: qsTr("Remove %1").arg(modelData)
                                onClicked: {
                                    const at = root.settings.tlds.indexOf(modelData)
                                    if (at >= 0)
                                        root.settings.removeTLDs([at])
                                }
                            }
                        }
                    }
                }
            }
            PlainButton {
                objectName: "restoreDefaults"
                text: qsTr("Restore defaults")
                fontSize: Theme.textCallout
                onClicked: root.settings.restoreDefaults()
            }
        }

        // Claude
        ColumnLayout {
            spacing: 16
            ToggleSwitch {
                objectName: "useClaudeSwitch"
                text: qsTr("Use Claude to suggest alternative names")
                Layout.fillWidth: true
                font.pixelSize: Theme.textBody
                font.weight: Font.Medium
                checked: root.settings.useClaudeForSuggestions
                onToggled: root.settings.useClaudeForSuggestions = checked
            }
            PlainText {
                text: qsTr("Orvane runs the “claude” command-line tool without a window (“claude -p”), using your Claude Code subscription. Nothing is sent to third-party services.")
                font.pixelSize: Theme.textFootnote
                color: Theme.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Divider { Layout.fillWidth: true }
            Text { text: qsTr("Claude binary path"); Accessible.role: Accessible.Heading; Accessible.name: text; font.pixelSize: Theme.textCallout; font.weight: Font.DemiBold; color: Theme.primaryText }
            RowLayout {
                spacing: 10
                Layout.fillWidth: true
                TextField {
                    id: pathField
                    objectName: "claudePathField"
                    cursorDelegate: Caret {}
                    Layout.fillWidth: true
                    placeholderText: qsTr("Auto-detect")
                    placeholderTextColor: Theme.tertiaryText
                    color: Theme.primaryText
                    selectionColor: Theme.selection
                    selectedTextColor: Theme.primaryText
                    Accessible.role: Accessible.EditableText
                    Accessible.name: qsTr("Claude binary path")
                    background: Rectangle {
                        implicitHeight: 32
                        radius: 6
                        color: Theme.textBackground
                        opacity: pathField.enabled ? 1 : 0.5
                        border.width: pathField.activeFocus ? 2 : 1
                        border.color: pathField.activeFocus ? Theme.focusRing : Theme.separator
                    }
                    font.family: "monospace"
                    font.pixelSize: Theme.textBody
                    enabled: root.settings.useClaudeForSuggestions
                    text: root.settings.claudeBinaryPath
                    onTextEdited: root.settings.claudeBinaryPath = text
                }
                PlainButton {
                    objectName: "detectButton"
                    text: qsTr("Detect")
                    fontSize: Theme.textCallout
                    enabled: root.settings.useClaudeForSuggestions
                    onClicked: root.detect()
                }
            }
            PlainText {
                objectName: "detectionMessage"
                visible: root.detectionMessage.length > 0
                text: root.detectionMessage
                font.pixelSize: Theme.textFootnote
                color: root.detectedPath.length > 0 ? Theme.secondaryText : Theme.statusErrorText
                wrapMode: Text.WrapAnywhere
                Layout.fillWidth: true
            }
            PlainText {
                text: root.mac ? qsTr("Leave blank to auto-detect. The app checks /opt/homebrew/bin, /usr/local/bin, ~/.claude/local, and your login-shell PATH.")
                               : qsTr("Leave blank to auto-detect. The app checks /usr/local/bin, /usr/bin, ~/.claude/local, ~/.local/bin, ~/.npm-global/bin, ~/.bun/bin, ~/.volta/bin and ~/.fnm.")
                font.pixelSize: Theme.textFootnote
                color: Theme.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Item { Layout.fillHeight: true }
        }

        // Sound
        ColumnLayout {
            spacing: 16
            ToggleSwitch {
                objectName: "gongSwitch"
                text: qsTr("Ring a gong when a search finds an available domain")
                Layout.fillWidth: true
                font.pixelSize: Theme.textBody
                font.weight: Font.Medium
                checked: root.settings.playGongOnAvailable
                onToggled: root.settings.playGongOnAvailable = checked
            }
            PlainText {
                text: qsTr("A soft synthesized gong plays once per search if at least one of the checked TLDs is available. Set system volume to taste.")
                font.pixelSize: Theme.textFootnote
                color: Theme.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            FilledButton {
                objectName: "previewGong"
                text: qsTr("Preview gong")
                iconName: "play.fill"
                fontSize: 14
                leftPadding: 14
                rightPadding: 14
                topPadding: 6
                bottomPadding: 6
                enabled: root.settings.playGongOnAvailable
                onClicked: App.previewGong()
            }
            Item { Layout.fillHeight: true }
        }

        // General
        ColumnLayout {
            spacing: 16
            ToggleSwitch {
                objectName: "settingsLoginSwitch"
                text: qsTr("Launch Orvane at login")
                Layout.fillWidth: true
                font.pixelSize: Theme.textBody
                font.weight: Font.Medium
                checked: root.settings.launchAtLogin
                onToggled: root.settings.launchAtLogin = checked
            }
            PlainText {
                text: root.mac ? qsTr("Orvane starts quietly in the menu bar each time you log in.")
                               : qsTr("Orvane starts each time you log in, through your desktop's autostart folder (~/.config/autostart).")
                font.pixelSize: Theme.textFootnote
                color: Theme.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Item { Layout.fillHeight: true }
        }
    }
}
