import QtQuick
import QtQuick.Layouts
import Orvane

// The teal header: mark, name and tagline, settings, version. Dragging it moves the window.
Rectangle {
    id: header
    property Window hostWindow
    color: Theme.brandInk
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
            Accessible.ignored: true
            cache: false
            source: "image://icon/VarivUzaz?" + Theme.brandPaper
            sourceSize: Qt.size(88, 88)
            Layout.preferredWidth: 44
            Layout.preferredHeight: 44
            smooth: true
        }
        ColumnLayout {
            spacing: 2
            Layout.fillWidth: true
            Layout.minimumWidth: 60
            Text { text: "Orvane"; font.pixelSize: Theme.textTitle2; font.weight: Font.DemiBold; color: Theme.brandPaper; Accessible.role: Accessible.Heading; Accessible.name: text }
            Text {
                Layout.fillWidth: true
                text: qsTr("Private WHOIS searching. No stress approach.")
                elide: Text.ElideRight
                font.pixelSize: Theme.textFootnote
                color: Theme.brandPaperDim
            }
        }
        IconButton {
            objectName: "settingsButton"
            iconName: "gearshape"
            ink: Theme.brandPaperDim
            ring: Theme.brandPaper
            iconSize: 16
            padding: 6
            help: qsTr("Settings (configure TLDs, Claude)")
            Accessible.name: qsTr("Settings")
            onClicked: WindowController.openSettings()
        }
        Text { Accessible.name: qsTr("Version %1").arg(App.version); text: "v" + App.version; font.pixelSize: Theme.textCaption; color: Theme.brandPaperDim }
    }
}
