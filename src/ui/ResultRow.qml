import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// One domain: its status, the domain (a link when taken), copy, and the raw answer. A delegate of
// the result list, drawn as a slice of the "Results" card. Whether its raw answer shows is kept
// in the model, so a row scrolled away and back, or a window built anew, shows it as it was; the
// raw answer and an error's text are made only while they are shown.
FocusScope {
    id: row
    property bool first: false
    property string rowDomain
    property string rowShownDomain: rowDomain // a look-alike with its ASCII form beside it
    // A look-alike wraps at the space before its ASCII form, never at the form's hyphens.
    readonly property string domainText: rowLookAlikeHint ? rowShownDomain.replace(/-/g, "\u2011") : rowShownDomain
    property string rowLookAlikeHint
    property string rowTld
    property var rowExpiresAt
    property int rowAvailability: DomainAvailability.Unknown
    property string rowRawResponse // only while shown
    property string rowErrorMessage
    property bool rowHasError: false
    property bool rowHasRaw: false
    // While a registry holds the check back: what the row says, and which registry.
    property string rowWaiting
    property string rowWaitingHost
    property bool showRaw: false
    property bool watched: false // the domain is on the watch list
    signal toggleRaw()
    signal step(int delta) // Up or Down: the keys move to the row before or after

    readonly property bool canWatch: rowAvailability === DomainAvailability.Taken || watched
    function open() { if (link.length > 0) WindowController.openUrl(link) }
    function copy() { WindowController.copyText(rowDomain) }
    function toggleWatch() { watched ? HistoryActions.stopWatching(rowDomain) : HistoryActions.watch(rowDomain, rowTld, rowAvailability) }
    function showMenu(x, y) { menu.popup(x, y) }

    // The row takes the keys in the Tab order, ahead of its buttons: Return or Enter opens a
    // taken domain's site, Ctrl+C copies the domain, the Menu key or Shift+F10 opens the menu.
    activeFocusOnTab: true
    readonly property bool focusedItself: activeFocus && Window.activeFocusItem === row
    Keys.onReturnPressed: open()
    Keys.onEnterPressed: open()
    Keys.onUpPressed: step(-1)
    Keys.onDownPressed: step(1)
    Keys.onPressed: event => {
        if (event.matches(StandardKey.Copy))
            copy()
        else if (event.key === Qt.Key_Menu || (event.key === Qt.Key_F10 && (event.modifiers & Qt.ShiftModifier)))
            showMenu(42, 12)
        else
            return
        event.accepted = true
    }
    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: eventPoint => row.showMenu(eventPoint.position.x, eventPoint.position.y)
    }
    ContextMenu {
        id: menu
        objectName: "resultMenu"
        MenuItem { text: qsTr("Copy"); onTriggered: row.copy() }
        MenuItem { text: qsTr("Open in Browser"); enabled: row.link.length > 0; onTriggered: row.open() }
        MenuItem { text: row.watched ? qsTr("Stop Watching") : qsTr("Watch"); enabled: row.canWatch; onTriggered: row.toggleWatch() }
    }

    readonly property var looks: ({
        [DomainAvailability.Available]: { symbol: "checkmark.circle.fill", color: Theme.statusAvailableText, label: qsTr("Available"), spoken: qsTr("available"), weight: Font.Bold },
        [DomainAvailability.Taken]: { symbol: "xmark.circle.fill", color: Theme.secondaryText, label: qsTr("Taken"), spoken: qsTr("taken"), weight: Font.Medium },
        [DomainAvailability.Unknown]: { symbol: "questionmark.circle.fill", color: Theme.statusUnclearText, label: qsTr("Unclear"), spoken: qsTr("unclear"), weight: Font.Medium },
        [DomainAvailability.Error]: { symbol: "exclamationmark.triangle.fill", color: Theme.statusErrorText, label: qsTr("Error"), spoken: qsTr("error"), weight: Font.Medium },
        [DomainAvailability.Checking]: { symbol: "ellipsis.circle", color: Theme.statusCheckingText, label: qsTr("Checking"), spoken: qsTr("checking"), weight: Font.Medium }
    })
    readonly property var look: looks[rowAvailability] || looks[DomainAvailability.Unknown]
    readonly property string link: rowAvailability === DomainAvailability.Taken ? Format.webLink(rowDomain) : ""
    readonly property string expiry: rowAvailability === DomainAvailability.Taken && rowExpiresAt ? Format.expiryText(rowExpiresAt) : ""
    implicitHeight: column.implicitHeight
    // A screen reader hears the row as one sentence: "orvane.com, available".
    Accessible.role: Accessible.ListItem
    // A look-alike adds why it is flagged; a check a registry holds back, what the row says of it.
    readonly property string spokenStatus: rowLookAlikeHint ? qsTr("%1, %2, %3").arg(rowShownDomain).arg(rowLookAlikeHint).arg(look.spoken)
                                                            : qsTr("%1, %2").arg(rowShownDomain).arg(look.spoken)
    Accessible.name: rowWaiting.length > 0 ? qsTr("%1, %2 (%3)").arg(spokenStatus).arg(rowWaiting).arg(rowWaitingHost) : spokenStatus

    CardSlice {
        anchors.fill: parent
        anchors.leftMargin: 24
        anchors.rightMargin: 24
        FocusRing { shown: row.focusedItself; anchors.margins: 4; radius: 8 }
    }

    ColumnLayout {
        id: column
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 24
        anchors.rightMargin: 24
        spacing: 0

        Divider { visible: !row.first; Layout.fillWidth: true; Layout.leftMargin: 18 }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 18
            Layout.rightMargin: 18
            Layout.topMargin: 12
            Layout.bottomMargin: 12
            spacing: 6

            RowLayout {
                Layout.fillWidth: true
                spacing: 12
                Icon { name: row.look.symbol; color: row.look.color; size: 20 }
                // The domain takes the room the row has, and no more than it needs: the space
                // left over goes to the filler, so "Taken" and the buttons keep to the right.
                DomainText {
                    objectName: "domainText"
                    visible: row.link.length === 0
                    Layout.fillWidth: true
                    Layout.maximumWidth: row.rowLookAlikeHint ? Number.POSITIVE_INFINITY : implicitWidth
                    text: row.domainText
                    tld: row.rowTld
                    wrap: row.rowLookAlikeHint.length > 0
                    font.pixelSize: Theme.textHeadline
                    font.weight: row.rowAvailability === DomainAvailability.Available ? Font.DemiBold : Font.Normal
                    color: row.rowAvailability === DomainAvailability.Available ? Theme.statusAvailableText : Theme.primaryText
                }
                LinkButton {
                    id: domainLink
                    objectName: "domainLink"
                    visible: row.link.length > 0
                    Layout.fillWidth: true
                    Layout.maximumWidth: row.rowLookAlikeHint ? Number.POSITIVE_INFINITY : implicitWidth
                    implicitWidth: linkText.implicitWidth + 6 + 11
                    implicitHeight: linkText.implicitHeight
                    spoken: row.rowDomain
                    help: qsTr("Open %1 in your browser").arg(row.rowDomain)
                    onActivated: row.open()
                    RowLayout {
                        anchors.fill: parent
                        spacing: 6
                        DomainText {
                            id: linkText
                            objectName: "linkText"
                            Layout.fillWidth: true
                            text: row.domainText
                            tld: row.rowTld
                            wrap: row.rowLookAlikeHint.length > 0
                            underline: true
                            font.pixelSize: Theme.textHeadline
                            color: Theme.primaryText
                        }
                        Icon { name: "arrow.up.right"; color: Theme.secondaryText; size: 11 }
                    }
                }
                Item { Layout.fillWidth: true; Layout.minimumWidth: 0 }
                Text { objectName: "verdict"; Accessible.ignored: true; Layout.minimumWidth: implicitWidth; text: row.look.label; font.pixelSize: Theme.textCallout; font.weight: row.look.weight; color: row.look.color }
                PlainButton {
                    objectName: "watchButton"
                    visible: row.canWatch
                    text: row.watched ? qsTr("Watching") : qsTr("Watch")
                    spoken: row.watched ? qsTr("Stop watching %1").arg(row.rowDomain) : qsTr("Watch %1").arg(row.rowDomain)
                    help: row.watched ? qsTr("Stop checking %1 in the background").arg(row.rowDomain)
                                      : qsTr("Check %1 again in the background and tell me when it is free").arg(row.rowDomain)
                    onClicked: row.toggleWatch()
                }
                IconButton {
                    objectName: "copyButton"
                    iconName: "doc.on.doc"
                    help: qsTr("Copy domain")
                    spoken: qsTr("Copy %1").arg(row.rowDomain)
                    onClicked: row.copy()
                }
                IconButton {
                    objectName: "rawToggle"
                    iconName: row.showRaw ? "chevron.up" : "chevron.down"
                    help: qsTr("Toggle raw WHOIS")
                    // A toggle: pressed while the answer shows.
                    spoken: qsTr("Show registry answer for %1").arg(row.rowDomain)
                    Accessible.checkable: true
                    Accessible.checked: row.showRaw
                    enabled: row.rowHasRaw
                    onClicked: row.toggleRaw()
                }
            }

            PlainText { objectName: "lookAlikeHint"; visible: text.length > 0; text: row.rowLookAlikeHint; font.pixelSize: Theme.textFootnote; color: Theme.statusErrorText; Layout.leftMargin: 32 }
            PlainText {
                objectName: "waiting"
                visible: row.rowWaiting.length > 0
                text: row.rowWaiting
                font.pixelSize: Theme.textFootnote
                color: Theme.secondaryText
                Layout.leftMargin: 32
                HoverHandler { id: waitingHover }
                ToolTip.visible: waitingHover.hovered
                ToolTip.text: qsTr("%1 limits how fast it answers").arg(row.rowWaitingHost)
            }
            PlainText {
                objectName: "expiry"
                visible: row.expiry.length > 0
                text: row.expiry
                font.pixelSize: Theme.textFootnote
                color: Theme.secondaryText
                Layout.leftMargin: 32
            }

            Loader {
                active: row.rowAvailability === DomainAvailability.Error && row.rowHasError
                visible: active
                Layout.fillWidth: true
                sourceComponent: TextEdit {
                    text: Format.lookupText(row.rowErrorMessage)
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.Wrap
                    font.pixelSize: Theme.textFootnote
                    color: Theme.statusErrorText
                }
            }

            Loader {
                objectName: "rawPane"
                active: row.showRaw
                visible: active
                Layout.fillWidth: true
                sourceComponent: Rectangle {
                    implicitHeight: Math.min(240, raw.implicitHeight + 20)
                    radius: 6
                    color: Theme.windowBackground
                    clip: true
                    Flickable {
                        anchors.fill: parent
                        anchors.margins: 10
                        contentWidth: width
                        contentHeight: raw.implicitHeight
                        boundsBehavior: Flickable.StopAtBounds
                        ScrollBar.vertical: ScrollBar {}
                        TextEdit {
                            id: raw
                            width: parent.width
                            text: row.rowHasError ? Format.lookupText(row.rowErrorMessage) : Format.cleanAnswer(row.rowRawResponse)
                            readOnly: true
                            selectByMouse: true
                            wrapMode: TextEdit.WrapAnywhere
                            font.family: "monospace"
                            font.pixelSize: Theme.textCaption
                            color: Theme.primaryText
                        }
                    }
                }
            }
        }
    }
}
