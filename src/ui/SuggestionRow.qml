import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// One suggested name with its reason and a "Check" button.
ColumnLayout {
    id: row
    property bool first: false
    property string suggestionName
    property string suggestionRationale
    signal use()
    spacing: 0
    Accessible.role: Accessible.ListItem
    Accessible.name: row.suggestionRationale.length > 0 ? qsTr("%1, %2").arg(row.suggestionName).arg(row.suggestionRationale) : row.suggestionName

    Divider { visible: !row.first; Layout.fillWidth: true; Layout.leftMargin: 18 }
    RowLayout {
        Layout.fillWidth: true
        Layout.leftMargin: 18
        Layout.rightMargin: 18
        Layout.topMargin: 12
        Layout.bottomMargin: 12
        spacing: 12
        Icon { name: "lightbulb.fill"; color: Theme.brandAccentText; size: 14; Layout.alignment: Qt.AlignTop; Layout.topMargin: 2 }
        ColumnLayout {
            spacing: 3
            Layout.fillWidth: true
            PlainText { text: row.suggestionName; elide: Text.ElideRight; Layout.fillWidth: true; font.pixelSize: Theme.textHeadline; font.weight: Font.DemiBold; color: Theme.primaryText }
            PlainText {
                visible: row.suggestionRationale.length > 0
                text: row.suggestionRationale
                font.pixelSize: Theme.textFootnote
                color: Theme.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
        }
        PlainButton {
            objectName: "useSuggestion"
            text: qsTr("Check")
            Accessible.name: qsTr("Check %1").arg(row.suggestionName)
            onClicked: row.use()
        }
    }
}
