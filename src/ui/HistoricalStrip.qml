import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane

// The banner over a reopened search, with the way back to a live one. When room runs short
// the name and the date elide; the button keeps its size.
Rectangle {
    id: strip
    property SearchRecord record: null
    signal newSearch()
    color: Theme.accentTint
    implicitHeight: row.implicitHeight + 18
    Accessible.role: Accessible.Pane
    Accessible.name: strip.record ? qsTr("Historical search results: %1, %2").arg(strip.record.query).arg(dateText.text)
                                  : qsTr("Historical search results")

    Rectangle { anchors.bottom: parent.bottom; width: parent.width; height: 1; color: Theme.separator }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 24
        anchors.rightMargin: 24
        anchors.topMargin: 9
        anchors.bottomMargin: 9
        spacing: 10
        Icon { name: "clock.arrow.circlepath"; color: Theme.brandAccentText; size: 14; Layout.alignment: Qt.AlignTop; Layout.topMargin: 1 }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 3
            Text {
                Layout.fillWidth: true
                text: qsTr("HISTORICAL SEARCH RESULTS")
                elide: Text.ElideRight
                font.pixelSize: Theme.textCaption
                font.bold: true
                font.letterSpacing: 0.8
                color: Theme.brandAccentText
                Accessible.ignored: true
            }
            RowLayout {
                visible: strip.record !== null
                Layout.fillWidth: true
                spacing: 8
                Text {
                    objectName: "stripQuery"
                    Layout.fillWidth: true
                    Layout.maximumWidth: implicitWidth
                    Layout.minimumWidth: Math.min(implicitWidth, 80)
                    //: A search's name in quotation marks.
                    text: strip.record ? qsTr("“%1”").arg(strip.record.query) : ""
                    elide: Text.ElideRight
                    font.pixelSize: Theme.textSmall
                    font.weight: Font.DemiBold
                    color: Theme.primaryText
                    Accessible.ignored: true
                }
                Text { text: "·"; color: Theme.tertiaryText; font.pixelSize: Theme.textSmall; Accessible.ignored: true }
                Text {
                    id: dateText
                    objectName: "stripDate"
                    Layout.fillWidth: true
                    Layout.maximumWidth: implicitWidth
                    text: strip.record ? Format.longDate(strip.record.timestamp, false) : ""
                    elide: Text.ElideRight
                    font.pixelSize: Theme.textSmall
                    color: Theme.secondaryText
                    Accessible.ignored: true
                }
                Item { Layout.fillWidth: true }
            }
        }
        FilledButton {
            objectName: "newSearchButton"
            text: qsTr("New search")
            iconName: "plus.circle.fill"
            spacingBetween: 5
            help: qsTr("Start a new search")
            onClicked: strip.newSearch()
        }
    }
}
