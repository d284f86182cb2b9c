import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// Five pages: what Orvane does, privacy, brainstorming, login, where to find it.
Item {
    id: root
    property int step: 0
    readonly property int totalSteps: 5
    signal finished()

    // A Mac has a menu bar and a Dock; elsewhere the program lives in the system tray, or,
    // on a desktop without one, in its window alone.
    readonly property bool mac: Qt.platform.os === "osx"
    readonly property bool tray: WindowController.trayAvailable

    readonly property var plainPages: ({
        0: { brand: true, icon: "", title: qsTr("A calmer way to search for domains"),
             subtitle: qsTr("Orvane checks the top-level domains you care about, without sending your queries to a third-party domain-checking service."),
             bullets: [qsTr("Direct WHOIS and RDAP lookups to authoritative registries"), qsTr("Local search history, never uploaded"),
                       qsTr("Optional Claude-powered brainstorming for alternative names")] },
        1: { brand: false, icon: "lock.shield.fill", title: qsTr("Private by design"),
             subtitle: mac ? qsTr("Every domain check goes directly from this Mac to the registry that owns the TLD. Nothing in between.")
                           : qsTr("Every domain check goes directly from this computer to the registry that owns the TLD. Nothing in between."),
             bullets: [qsTr(".com goes to Verisign. .ai goes to Identity Digital. And so on."),
                       qsTr("RDAP over HTTPS by default, port 43 WHOIS as fallback"), qsTr("No analytics, no telemetry, no third-party trackers")] },
        4: mac ? { brand: false, icon: "checkmark.circle.fill", title: qsTr("You're all set"),
                   subtitle: qsTr("Look for the cairn icon in your menu bar. Click it any time to open Orvane."),
                   bullets: [qsTr("Left-click the menu bar icon to open the search window"), qsTr("Right-click for a Quit menu"),
                             qsTr("All settings live in Orvane then Settings")] }
           : tray ? { brand: false, icon: "checkmark.circle.fill", title: qsTr("You're all set"),
                      subtitle: qsTr("Look for the cairn icon in your system tray. Click it any time to open Orvane."),
                      bullets: [qsTr("Click the tray icon to show or hide the search window"),
                                qsTr("Right-click it for Show Orvane, Settings… and Quit Orvane"),
                                qsTr("Settings open from the gear in the window's header, or with Ctrl+,")] }
           : { brand: false, icon: "checkmark.circle.fill", title: qsTr("You're all set"),
               subtitle: qsTr("Your desktop shows no system tray, so Orvane lives in its window: closing the window quits Orvane, and starting it again from your applications brings it back."),
               bullets: [qsTr("Your search history is kept from one run to the next"),
                         qsTr("Ctrl+Q quits, Ctrl+N starts a new search"),
                         qsTr("Settings open from the gear in the window's header, or with Ctrl+,")] }
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
    Accessible.role: Accessible.Pane
    Accessible.name: qsTr("Welcome to Orvane, page %1 of %2").arg(step + 1).arg(totalSteps)

    // The keys follow the page: a switch of a page no longer shown must not take Space.
    onStepChanged: forceActiveFocus(Qt.OtherFocusReason)

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Rectangle {
            Layout.fillWidth: true
            color: Theme.brandInk
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
                    Accessible.ignored: true
                    cache: false
                    source: "image://icon/VarivUzaz?" + Theme.brandPaper
                    sourceSize: Qt.size(68, 68)
                    Layout.preferredWidth: 34
                    Layout.preferredHeight: 34
                }
                ColumnLayout {
                    spacing: 2
                    Text { text: "Orvane"; font.pixelSize: Theme.textHeadline; font.weight: Font.DemiBold; color: Theme.brandPaper }
                    PlainText { text: qsTr("Welcome"); font.pixelSize: Theme.textFootnote; color: Theme.brandPaperDim }
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
                    Accessible.ignored: true
                    cache: false
                    visible: parent.page.brand
                    source: "image://icon/VarivUzaz?" + Theme.brandInkText
                    sourceSize: Qt.size(112, 112)
                    Layout.preferredWidth: 56
                    Layout.preferredHeight: 56
                }
                Icon { visible: !parent.page.brand; name: parent.page.icon; color: Theme.brandAccentText; size: 44 }
                Text {
                    objectName: "pageTitle"
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                    text: parent.page.title
                    font.pixelSize: Theme.textTitle2
                    font.weight: Font.DemiBold
                    color: Theme.primaryText
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                }
                PlainText {
                    objectName: "pageText"
                    text: parent.page.subtitle
                    font.pixelSize: Theme.textFootnote
                    color: Theme.secondaryText
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                }
                ColumnLayout {
                    Layout.topMargin: 4
                    Layout.fillWidth: true
                    spacing: 8
                    Repeater {
                        model: parent.parent.page.bullets
                        delegate: RowLayout {
                            spacing: 8
                            Layout.fillWidth: true
                            Icon { name: "checkmark"; color: Theme.brandAccentText; size: 10; Layout.alignment: Qt.AlignTop; Layout.topMargin: 3 }
                            PlainText { text: modelData; font.pixelSize: Theme.textFootnote; color: Theme.primaryText; wrapMode: Text.WordWrap; Layout.fillWidth: true }
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
                Icon { name: parent.brainstorm ? "sparkles" : "power.circle.fill"; color: Theme.brandAccentText; size: 40 }
                Text {
                    objectName: "pageTitle"
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
                    text: parent.brainstorm ? qsTr("Brainstorm with Claude") : qsTr("Run quietly in the background")
                    font.pixelSize: Theme.textTitle2
                    font.weight: Font.DemiBold
                    color: Theme.primaryText
                }
                PlainText {
                    objectName: "pageText"
                    text: parent.brainstorm
                          ? (root.mac ? qsTr("Orvane can call your local Claude Code subscription to suggest alternative domain names. The check runs entirely between this Mac and Claude, no separate API key needed.")
                                      : qsTr("Orvane can call your local Claude Code subscription to suggest alternative domain names. The check runs entirely between this computer and Claude, no separate API key needed."))
                          : (root.mac ? qsTr("Orvane lives in the menu bar with no Dock icon. You can have it start automatically each time you log in.")
                                      : root.tray ? qsTr("Orvane lives in the system tray. You can have it start automatically each time you log in.")
                                                  : qsTr("Orvane runs in its own window. You can have it start automatically each time you log in."))
                    font.pixelSize: Theme.textFootnote
                    color: Theme.secondaryText
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                }
                ToggleSwitch {
                    objectName: "claudeSwitch"
                    visible: parent.brainstorm
                    Layout.topMargin: 6
                    text: qsTr("Enable Claude brainstorming")
                    checked: App.settings.useClaudeForSuggestions
                    onToggled: App.settings.useClaudeForSuggestions = checked
                }
                ToggleSwitch {
                    objectName: "loginSwitch"
                    visible: !parent.brainstorm
                    Layout.topMargin: 6
                    text: qsTr("Launch Orvane at login")
                    checked: App.settings.launchAtLogin
                    onToggled: App.settings.launchAtLogin = checked
                }
                ColumnLayout {
                    Layout.topMargin: 4
                    spacing: 6
                    Repeater {
                        model: parent.parent.brainstorm
                               ? (root.mac ? [qsTr("Requires the “claude” command-line tool (from Homebrew or npm)."),
                                              qsTr("macOS may ask once for access to Claude's data folder. That is the only access prompt this app triggers.")]
                                           : [qsTr("Requires the “claude” command-line tool (from npm or Claude’s own installer)."),
                                              qsTr("Your desktop may ask once for access to Claude's data folder. That is the only access prompt this app triggers.")])
                               : (root.mac ? [qsTr("For this to work, drag Orvane to your Applications folder first. The toggle takes effect once the app is installed there.")]
                                           : [qsTr("Orvane adds itself to your desktop's autostart folder (~/.config/autostart). Turning this off removes it again.")])
                        delegate: RowLayout {
                            spacing: 6
                            Layout.fillWidth: true
                            Icon { name: "info.circle"; color: Theme.secondaryText; size: 11; Layout.alignment: Qt.AlignTop; Layout.topMargin: 2 }
                            PlainText { text: modelData; font.pixelSize: Theme.textCaption; color: Theme.secondaryText; wrapMode: Text.WordWrap; Layout.fillWidth: true }
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
                Accessible.role: Accessible.StaticText
                Accessible.name: qsTr("Page %1 of %2").arg(root.step + 1).arg(root.totalSteps)
                spacing: 6
                Repeater {
                    model: root.totalSteps
                    delegate: Rectangle {
                        width: 6
                        height: 6
                        radius: 3
                        color: index === root.step ? Theme.accentMark : Theme.pageDot
                    }
                }
            }
            Item { Layout.fillWidth: true }
            PlainButton {
                objectName: "backButton"
                visible: root.step >= 1
                text: qsTr("Back")
                flat: true
                onClicked: root.step = root.step - 1
            }
            FilledButton {
                objectName: "primaryButton"
                text: root.step === root.totalSteps - 1 ? qsTr("Get started") : qsTr("Next")
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
