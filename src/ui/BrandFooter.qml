import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane.Ui as Ui

// Owner notice, the web site, "Welcome" and "Quit".
Rectangle {
    color: Ui.Palette.barMaterial
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
        Text { text: "© " + app.year + " Pellunor. Made for people naming things."; font.pixelSize: 11; color: Ui.Palette.secondaryText }
        Item { Layout.fillWidth: true }
        AbstractButton {
            objectName: "siteLink"
            hoverEnabled: true
            ToolTip.visible: hovered
            ToolTip.text: "Open " + app.siteHost + " in your default browser"
            ToolTip.delay: 600
            onClicked: app.openUrl("https://" + app.siteHost)
            contentItem: Row {
                spacing: 4
                Text { text: app.siteHost; font.pixelSize: 11; color: Ui.Palette.secondaryText }
                Icon { name: "arrow.up.right"; color: Ui.Palette.secondaryText; size: 8; anchors.verticalCenter: parent.verticalCenter }
            }
            background: Item {}
        }
        Button {
            objectName: "welcomeButton"
            text: "Welcome"
            flat: true
            font.pixelSize: 11
            padding: 2
            ToolTip.visible: hovered
            ToolTip.text: "Re-open the welcome screen"
            ToolTip.delay: 600
            onClicked: { app.openWelcome(); shell.bringWelcomeWindowToFront() }
        }
        Button {
            objectName: "quitButton"
            text: "Quit"
            flat: true
            font.pixelSize: 11
            padding: 2
            ToolTip.visible: hovered
            ToolTip.text: "Quit Orvane"
            ToolTip.delay: 600
            onClicked: app.quit()
        }
    }
}
