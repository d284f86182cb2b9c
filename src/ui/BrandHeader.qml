import QtQuick
import QtQuick.Layouts
import Orvane.Ui as Ui

// The teal header: mark, name and tagline, settings, version. Dragging it moves the window.
Rectangle {
    id: header
    property var hostWindow
    color: Ui.Palette.brandInk
    implicitHeight: row.implicitHeight + 26 + 10

    DragHandler {
        target: null
        onActiveChanged: if (active && header.hostWindow) header.hostWindow.startSystemMove()
    }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 20
        anchors.rightMargin: 20
        anchors.topMargin: 26
        anchors.bottomMargin: 10
        spacing: 12
        Image {
            source: "image://icon/VarivUzaz?" + Ui.Palette.brandPaper
            sourceSize: Qt.size(88, 88)
            Layout.preferredWidth: 44
            Layout.preferredHeight: 44
            smooth: true
        }
        ColumnLayout {
            spacing: 2
            Text { text: "Orvane"; font.pixelSize: 18; font.weight: Font.DemiBold; color: Ui.Palette.brandPaper }
            Text { text: "Private WHOIS searching. No stress approach."; font.pixelSize: 12; color: Ui.Palette.brandPaper; opacity: 0.75 }
        }
        Item { Layout.fillWidth: true }
        IconButton {
            objectName: "settingsButton"
            iconName: "gearshape"
            ink: Qt.rgba(Ui.Palette.brandPaper.r, Ui.Palette.brandPaper.g, Ui.Palette.brandPaper.b, 0.85)
            iconSize: 16
            padding: 6
            help: "Settings (configure TLDs, Claude)"
            onClicked: app.openSettings()
        }
        Text { text: "v" + app.version; font.pixelSize: 11; color: Ui.Palette.brandPaper; opacity: 0.6 }
    }
}
