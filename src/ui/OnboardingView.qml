import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane.Ui as Ui

// Five pages: what Orvane does, privacy, brainstorming, login, where to find it.
Item {
    id: root
    property int step: 0
    readonly property int totalSteps: 5
    signal finished()

    readonly property var plainPages: ({
        0: { brand: true, icon: "", title: "A calmer way to search for domains",
             subtitle: "Orvane checks the top-level domains you care about, without sending your queries to a third-party domain-checking service.",
             bullets: ["Direct WHOIS and RDAP lookups to authoritative registries", "Local search history, never uploaded",
                       "Optional Claude-powered brainstorming for alternative names"] },
        1: { brand: false, icon: "lock.shield.fill", title: "Private by design",
             subtitle: "Every domain check goes directly from this Mac to the registry that owns the TLD. Nothing in between.",
             bullets: [".com goes to Verisign. .ai goes to Identity Digital. And so on.",
                       "RDAP over HTTPS by default, port 43 WHOIS as fallback", "No analytics, no telemetry, no third-party trackers"] },
        4: { brand: false, icon: "checkmark.circle.fill", title: "You're all set",
             subtitle: "Look for the cairn icon in your menu bar. Click it any time to open Orvane.",
             bullets: ["Left-click the menu bar icon to open the search window", "Right-click for a Quit menu",
                       "All settings live in Orvane then Settings"] }
    })

    function advance() {
        if (step < totalSteps - 1)
            step = step + 1
        else
            finished()
    }

    Keys.onReturnPressed: advance()
    Keys.onEnterPressed: advance()
    focus: true

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Rectangle {
            Layout.fillWidth: true
            color: Ui.Palette.brandInk
            implicitHeight: headerRow.implicitHeight + 32
            RowLayout {
                id: headerRow
                anchors.fill: parent
                anchors.leftMargin: 22
                anchors.rightMargin: 22
                anchors.topMargin: 16
                anchors.bottomMargin: 16
                spacing: 14
                Image {
                    source: "image://icon/VarivUzaz?" + Ui.Palette.brandPaper
                    sourceSize: Qt.size(68, 68)
                    Layout.preferredWidth: 34
                    Layout.preferredHeight: 34
                }
                ColumnLayout {
                    spacing: 2
                    Text { text: "Orvane"; font.pixelSize: 16; font.weight: Font.DemiBold; color: Ui.Palette.brandPaper }
                    Text { text: "Welcome"; font.pixelSize: 12; color: Ui.Palette.brandPaper; opacity: 0.78 }
                }
                Item { Layout.fillWidth: true }
            }
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            // Plain pages: 0, 1 and 4.
            ColumnLayout {
                objectName: "plainPage"
                visible: root.plainPages[root.step] !== undefined
                readonly property var page: root.plainPages[root.step] || root.plainPages[0]
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.leftMargin: 32
                anchors.rightMargin: 32
                anchors.topMargin: 32
                spacing: 16
                Image {
                    visible: parent.page.brand
                    source: "image://icon/VarivUzaz?" + Ui.Palette.brandInk
                    sourceSize: Qt.size(112, 112)
                    Layout.preferredWidth: 56
                    Layout.preferredHeight: 56
                }
                Icon { visible: !parent.page.brand; name: parent.page.icon; color: Ui.Palette.brandAccent; size: 44 }
                Text {
                    objectName: "pageTitle"
                    text: parent.page.title
                    font.pixelSize: 18
                    font.weight: Font.DemiBold
                    color: Ui.Palette.primaryText
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                }
                Text {
                    text: parent.page.subtitle
                    font.pixelSize: 12
                    color: Ui.Palette.secondaryText
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                }
                ColumnLayout {
                    Layout.topMargin: 4
                    spacing: 8
                    Repeater {
                        model: parent.parent.page.bullets
                        delegate: RowLayout {
                            spacing: 8
                            Icon { name: "checkmark"; color: Ui.Palette.brandAccent; size: 10; Layout.alignment: Qt.AlignTop; Layout.topMargin: 3 }
                            Text { text: modelData; font.pixelSize: 12; color: Ui.Palette.primaryText }
                        }
                    }
                }
            }

            // The brainstorming page (2) and the login page (3).
            ColumnLayout {
                objectName: "switchPage"
                visible: root.step === 2 || root.step === 3
                readonly property bool brainstorm: root.step === 2
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.leftMargin: 32
                anchors.rightMargin: 32
                anchors.topMargin: 24
                spacing: 14
                Icon { name: parent.brainstorm ? "sparkles" : "power.circle.fill"; color: Ui.Palette.brandAccent; size: 40 }
                Text {
                    objectName: "pageTitle"
                    text: parent.brainstorm ? "Brainstorm with Claude" : "Run quietly in the background"
                    font.pixelSize: 18
                    font.weight: Font.DemiBold
                    color: Ui.Palette.primaryText
                }
                Text {
                    text: parent.brainstorm
                          ? "Orvane can call your local Claude Code subscription to suggest alternative domain names. The check runs entirely between this Mac and Claude, no separate API key needed."
                          : "Orvane lives in the menu bar with no Dock icon. You can have it start automatically each time you log in."
                    font.pixelSize: 12
                    color: Ui.Palette.secondaryText
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                }
                ToggleSwitch {
                    objectName: "claudeSwitch"
                    visible: parent.brainstorm
                    Layout.topMargin: 6
                    text: "Enable Claude brainstorming"
                    checked: app.settings.useClaudeForSuggestions
                    onToggled: app.settings.useClaudeForSuggestions = checked
                }
                ToggleSwitch {
                    objectName: "loginSwitch"
                    visible: !parent.brainstorm
                    Layout.topMargin: 6
                    text: "Launch Orvane at login"
                    checked: app.settings.launchAtLogin
                    onToggled: app.settings.launchAtLogin = checked
                }
                ColumnLayout {
                    Layout.topMargin: 4
                    spacing: 6
                    Repeater {
                        model: parent.parent.brainstorm
                               ? ["Requires the `claude` CLI to be installed (Homebrew or npm).",
                                  "macOS may ask once for access to Claude's data folder. That is the only access prompt this app triggers."]
                               : ["For this to work, drag Orvane to your Applications folder first. The toggle takes effect once the app is installed there."]
                        delegate: RowLayout {
                            spacing: 6
                            Layout.fillWidth: true
                            Icon { name: "info.circle"; color: Ui.Palette.secondaryText; size: 11; Layout.alignment: Qt.AlignTop; Layout.topMargin: 2 }
                            Text { text: modelData; font.pixelSize: 11; color: Ui.Palette.secondaryText; wrapMode: Text.WordWrap; Layout.fillWidth: true }
                        }
                    }
                }
            }
        }

        Divider { Layout.fillWidth: true }
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 26
            Layout.rightMargin: 26
            Layout.topMargin: 16
            Layout.bottomMargin: 16
            spacing: 10
            Row {
                objectName: "pageDots"
                spacing: 6
                Repeater {
                    model: root.totalSteps
                    delegate: Rectangle {
                        width: 6
                        height: 6
                        radius: 3
                        color: index === root.step ? Ui.Palette.brandAccent
                                                   : Qt.rgba(0, 0, 0, 0.52 * 0.30)
                    }
                }
            }
            Item { Layout.fillWidth: true }
            Button {
                objectName: "backButton"
                visible: root.step >= 1
                text: "Back"
                flat: true
                palette.buttonText: Ui.Palette.secondaryText
                onClicked: root.step = root.step - 1
            }
            FilledButton {
                objectName: "primaryButton"
                text: root.step === root.totalSteps - 1 ? "Get started" : "Next"
                fontSize: 13
                leftPadding: 16
                rightPadding: 16
                topPadding: 6
                bottomPadding: 6
                onClicked: root.advance()
            }
        }
    }
}
