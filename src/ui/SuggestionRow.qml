import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane.Ui as Ui

// One suggested name with its reason and a "Check" button.
ColumnLayout {
    id: row
    property bool first: false
    property string suggestionName
    property string suggestionRationale
    signal use()
    spacing: 0

    Divider { visible: !row.first; Layout.fillWidth: true; Layout.leftMargin: 18 }
    RowLayout {
        Layout.fillWidth: true
        Layout.leftMargin: 18
        Layout.rightMargin: 18
        Layout.topMargin: 12
        Layout.bottomMargin: 12
        spacing: 12
        Icon { name: "lightbulb.fill"; color: Ui.Palette.brandAccent; size: 14; Layout.alignment: Qt.AlignTop; Layout.topMargin: 2 }
        ColumnLayout {
            spacing: 3
            Layout.fillWidth: true
            Text { text: row.suggestionName; font.pixelSize: 16; font.weight: Font.DemiBold; color: Ui.Palette.primaryText }
            Text {
                visible: row.suggestionRationale.length > 0
                text: row.suggestionRationale
                font.pixelSize: 12
                color: Ui.Palette.secondaryText
                wrapMode: Text.WordWrap
                Layout.fillWidth: true
            }
        }
        Button {
            objectName: "useSuggestion"
            text: "Check"
            onClicked: row.use()
        }
    }
}
