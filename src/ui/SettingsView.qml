import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane.Ui as Ui

// Three tabs: the TLD catalogue, the claude options, the gong.
ColumnLayout {
    id: root
    spacing: 12
    property string selectedNewTLD: ""
    property string detectedPath: ""
    property string detectionMessage: ""
    property alias currentTab: tabs.currentIndex
    readonly property var settings: app.settings

    function addSelected() {
        if (selectedNewTLD.length === 0)
            return
        if (settings.addTLD(selectedNewTLD)) {
            selectedNewTLD = ""
            picker.currentIndex = 0
        }
    }
    function detect() {
        detectedPath = app.detectClaude()
        detectionMessage = detectedPath.length > 0 ? "Found at " + detectedPath : "Not found in PATH or common locations."
    }

    TabBar {
        id: tabs
        objectName: "settingsTabs"
        Layout.alignment: Qt.AlignHCenter
        spacing: 4
        background: Rectangle { radius: 8; color: Qt.rgba(0, 0, 0, 0.06) }
        Repeater {
            model: [{ label: "TLDs", icon: "globe" }, { label: "Claude", icon: "sparkles" }, { label: "Sound", icon: "bell" }]
            delegate: TabButton {
                objectName: "tab" + modelData.label
                width: 120
                padding: 6
                background: Rectangle {
                    radius: 7
                    color: tabs.currentIndex === index ? Ui.Palette.controlBackground : "transparent"
                    border.width: tabs.currentIndex === index ? 1 : 0
                    border.color: Ui.Palette.separator
                }
                contentItem: Item {
                  implicitWidth: tabLabel.implicitWidth
                  implicitHeight: tabLabel.implicitHeight
                  Row {
                    id: tabLabel
                    anchors.centerIn: parent
                    spacing: 6
                    Icon { name: modelData.icon; color: tabs.currentIndex === index ? Ui.Palette.brandInk : Ui.Palette.secondaryText; size: 14; anchors.verticalCenter: parent.verticalCenter }
                    Text { text: modelData.label; font.pixelSize: 13; font.weight: tabs.currentIndex === index ? Font.DemiBold : Font.Normal; color: tabs.currentIndex === index ? Ui.Palette.brandInk : Ui.Palette.secondaryText; anchors.verticalCenter: parent.verticalCenter }
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
            Text { text: "Top-level domains to check on every search."; font.pixelSize: 15; color: Ui.Palette.secondaryText }
            RowLayout {
                spacing: 10
                ComboBox {
                    id: picker
                    objectName: "tldPicker"
                    Layout.preferredWidth: 260
                    font.pixelSize: 15
                    readonly property var available: root.settings.addableTLDs
                    model: [available.length > 0 ? "Select a TLD…" : "All known TLDs already added"].concat(available)
                    currentIndex: 0
                    onActivated: index => root.selectedNewTLD = index > 0 ? available[index - 1] : ""
                    onModelChanged: currentIndex = Math.max(0, available.indexOf(root.selectedNewTLD) + 1)
                }
                FilledButton {
                    objectName: "addButton"
                    text: "Add"
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
                color: Ui.Palette.controlBackground
                border.width: 1
                border.color: Ui.Palette.separator
                ListView {
                    id: tldList
                    objectName: "tldList"
                    anchors.fill: parent
                    anchors.margins: 6
                    clip: true
                    model: root.settings.tlds
                    currentIndex: -1
                    Keys.onDeletePressed: if (currentIndex >= 0) root.settings.removeTLDs([currentIndex])
                    ScrollBar.vertical: ScrollBar {}
                    delegate: Rectangle {
                        id: tldRow
                        objectName: "tldRow"
                        width: ListView.view.width
                        implicitHeight: tldRowLayout.implicitHeight + 4 + 8
                        radius: 5
                        color: ListView.isCurrentItem ? Ui.Palette.selection : "transparent"
                        property string tld: modelData
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
                                color: Ui.Palette.tertiaryText
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
                            Icon { name: "globe.americas.fill"; color: Ui.Palette.secondaryText; size: 14 }
                            Text { text: modelData; font.family: "monospace"; font.pixelSize: 15; color: Ui.Palette.primaryText }
                            Item { Layout.fillWidth: true }
                            IconButton {
                                objectName: "removeTLD"
                                iconName: "minus.circle.fill"
                                ink: Ui.Palette.statusError
                                iconSize: 16
                                help: "Remove " + modelData
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
            Button {
                objectName: "restoreDefaults"
                text: "Restore defaults"
                font.pixelSize: 14
                onClicked: root.settings.restoreDefaults()
            }
        }

        // Claude
        ColumnLayout {
            spacing: 16
            ToggleSwitch {
                objectName: "useClaudeSwitch"
                text: "Use Claude to suggest alternative names"
                font.pixelSize: 15
                font.weight: Font.Medium
                checked: root.settings.useClaudeForSuggestions
                onToggled: root.settings.useClaudeForSuggestions = checked
            }
            Text {
                text: "The app shells out to the `claude` CLI in headless mode (`claude -p`), reusing your Claude Code subscription. Nothing is sent to third-party services."
                font.pixelSize: 12
                color: Ui.Palette.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            Divider { Layout.fillWidth: true }
            Text { text: "Claude binary path"; font.pixelSize: 14; font.weight: Font.DemiBold; color: Ui.Palette.primaryText }
            RowLayout {
                spacing: 10
                Layout.fillWidth: true
                TextField {
                    objectName: "claudePathField"
                    Layout.fillWidth: true
                    placeholderText: "Auto-detect"
                    font.family: "monospace"
                    font.pixelSize: 15
                    enabled: root.settings.useClaudeForSuggestions
                    text: root.settings.claudeBinaryPath
                    onTextEdited: root.settings.claudeBinaryPath = text
                }
                Button {
                    objectName: "detectButton"
                    text: "Detect"
                    font.pixelSize: 14
                    enabled: root.settings.useClaudeForSuggestions
                    onClicked: root.detect()
                }
            }
            Text {
                objectName: "detectionMessage"
                visible: root.detectionMessage.length > 0
                text: root.detectionMessage
                font.pixelSize: 12
                color: root.detectedPath.length > 0 ? Ui.Palette.secondaryText : Ui.Palette.statusError
                wrapMode: Text.WrapAnywhere
                Layout.fillWidth: true
            }
            Text {
                text: "Leave blank to auto-detect. The app checks /opt/homebrew/bin, /usr/local/bin, ~/.claude/local, and your login-shell PATH."
                font.pixelSize: 12
                color: Ui.Palette.secondaryText
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
                text: "Ring a gong when a search finds an available domain"
                font.pixelSize: 15
                font.weight: Font.Medium
                checked: root.settings.playGongOnAvailable
                onToggled: root.settings.playGongOnAvailable = checked
            }
            Text {
                text: "A soft synthesized gong plays once per search if at least one of the checked TLDs is available. Set system volume to taste."
                font.pixelSize: 12
                color: Ui.Palette.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
            FilledButton {
                objectName: "previewGong"
                text: "Preview gong"
                iconName: "play.fill"
                fontSize: 14
                leftPadding: 14
                rightPadding: 14
                topPadding: 6
                bottomPadding: 6
                enabled: root.settings.playGongOnAvailable
                onClicked: app.previewGong()
            }
            Item { Layout.fillHeight: true }
        }
    }
}
