import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// Owner notice, the web site, "Welcome" and "Quit".
Rectangle {
    color: Theme.barMaterial
    implicitHeight: row.implicitHeight + 14 + 1
    Divider { anchors.top: parent.top; anchors.left: parent.left; anchors.right: parent.right }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        anchors.topMargin: 8
        anchors.bottomMargin: 7
        spacing: 14
        PlainText {
            Layout.fillWidth: true
            text: qsTr("© %1 Pellunor. Made for people naming things.").arg(App.year)
            elide: Text.ElideRight
            font.pixelSize: Theme.textCaption
            color: Theme.secondaryText
        }
        LinkButton {
            id: siteLink
            objectName: "siteLink"
            Layout.minimumWidth: implicitWidth
            implicitWidth: siteRow.implicitWidth
            implicitHeight: siteRow.implicitHeight
            spoken: App.siteHost
            help: qsTr("Open %1 in your default browser").arg(App.siteHost)
            onActivated: WindowController.openUrl("https://" + App.siteHost)
            Row {
                id: siteRow
                spacing: 4
                Text { text: App.siteHost; font.pixelSize: Theme.textCaption; color: Theme.secondaryText }
                Icon { name: "arrow.up.right"; color: Theme.secondaryText; size: 8; anchors.verticalCenter: parent.verticalCenter }
            }
        }
        PlainButton {
            objectName: "welcomeButton"
            text: qsTr("Welcome")
            flat: true
            fontSize: Theme.textCaption
            help: qsTr("Re-open the welcome screen")
            onClicked: { WindowController.openWelcome(); WindowController.bringWelcomeWindowToFront() }
        }
        PlainButton {
            objectName: "quitButton"
            text: qsTr("Quit")
            flat: true
            fontSize: Theme.textCaption
            help: qsTr("Quit Orvane")
            onClicked: WindowController.quit()
        }
    }
}
