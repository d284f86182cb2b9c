import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane.Ui as Ui

// One domain: its status, the domain (a link when taken), copy, and the raw answer.
ColumnLayout {
    id: row
    property bool first: false
    property string rowDomain
    property string rowAvailability
    property string rowRawResponse
    property string rowErrorMessage
    property bool rowHasError: false
    property bool showRaw: false

    readonly property var looks: ({
        available: { symbol: "checkmark.circle.fill", color: Ui.Palette.statusAvailable, label: "Available", weight: Font.Bold },
        taken: { symbol: "xmark.circle.fill", color: Ui.Palette.secondaryText, label: "Taken", weight: Font.Medium },
        unknown: { symbol: "questionmark.circle.fill", color: Ui.Palette.statusUnclear, label: "Unclear", weight: Font.Medium },
        error: { symbol: "exclamationmark.triangle.fill", color: Ui.Palette.statusError, label: "Error", weight: Font.Medium },
        checking: { symbol: "ellipsis.circle", color: Ui.Palette.statusChecking, label: "Checking", weight: Font.Medium }
    })
    readonly property var look: looks[rowAvailability] || looks.unknown
    readonly property string link: rowAvailability === "taken" ? app.webLink(rowDomain) : ""
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
            TextEdit {
                visible: row.link.length === 0
                text: row.rowDomain
                readOnly: true
                selectByMouse: true
                font.pixelSize: 16
                font.weight: row.rowAvailability === "available" ? Font.DemiBold : Font.Normal
                color: row.rowAvailability === "available" ? Ui.Palette.statusAvailable : Ui.Palette.primaryText
            }
            AbstractButton {
                objectName: "domainLink"
                visible: row.link.length > 0
                hoverEnabled: true
                ToolTip.visible: hovered
                ToolTip.text: "Open " + row.rowDomain + " in your browser"
                ToolTip.delay: 600
                onClicked: app.openUrl(row.link)
                contentItem: Row {
                    spacing: 6
                    Text {
                        text: row.rowDomain
                        font.pixelSize: 16
                        color: Ui.Palette.primaryText
                        Rectangle {
                            anchors.left: parent.left
                            anchors.right: parent.right
                            anchors.bottom: parent.bottom
                            anchors.bottomMargin: 1
                            height: 1
                            color: Ui.Palette.secondaryText
                        }
                    }
                    Icon { name: "arrow.up.right"; color: Ui.Palette.secondaryText; size: 11; anchors.verticalCenter: parent.verticalCenter }
                }
                background: Item {}
            }
            Item { Layout.fillWidth: true }
            Text { text: row.look.label; font.pixelSize: 14; font.weight: row.look.weight; color: row.look.color }
            IconButton {
                iconName: "doc.on.doc"
                help: "Copy domain"
                onClicked: app.copyText(row.rowDomain)
            }
            IconButton {
                objectName: "rawToggle"
                iconName: row.showRaw ? "chevron.up" : "chevron.down"
                help: "Toggle raw WHOIS"
                enabled: row.rowRawResponse.length > 0 || row.rowHasError
                onClicked: row.showRaw = !row.showRaw
            }
        }

        TextEdit {
            visible: row.rowAvailability === "error" && row.rowHasError
            text: row.rowErrorMessage
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.Wrap
            font.pixelSize: 12
            color: Ui.Palette.statusError
            Layout.fillWidth: true
        }

        Rectangle {
            visible: row.showRaw
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(240, raw.implicitHeight + 20)
            radius: 6
            color: Ui.Palette.windowBackground
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
                    text: row.rowHasError ? row.rowErrorMessage : app.cleanAnswer(row.rowRawResponse)
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.WrapAnywhere
                    font.family: "monospace"
                    font.pixelSize: 11
                    color: Ui.Palette.primaryText
                }
            }
        }
    }
}
