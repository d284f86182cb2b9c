import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Orvane.Ui as Ui

// The banner over a reopened search, with the way back to a live one.
Rectangle {
    id: strip
    property var record: null
    signal newSearch()
    color: Qt.rgba(Ui.Palette.brandAccent.r, Ui.Palette.brandAccent.g, Ui.Palette.brandAccent.b, 0.10)
    implicitHeight: row.implicitHeight + 18

    Rectangle { anchors.bottom: parent.bottom; width: parent.width; height: 0.5; color: Ui.Palette.separator }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 24
        anchors.rightMargin: 24
        anchors.topMargin: 9
        anchors.bottomMargin: 9
        spacing: 10
        Icon { name: "clock.arrow.circlepath"; color: Ui.Palette.brandAccent; size: 14 }
        Text { text: "HISTORICAL SEARCH RESULTS"; font.pixelSize: 11; font.bold: true; font.letterSpacing: 0.8; color: Ui.Palette.brandAccent }
        Text { visible: strip.record !== null; text: "·"; color: Ui.Palette.tertiaryText; font.pixelSize: 13 }
        Text {
            visible: strip.record !== null
            text: strip.record ? "\u201C" + strip.record.query + "\u201D" : ""
            font.pixelSize: 13
            font.weight: Font.DemiBold
            color: Ui.Palette.primaryText
        }
        Text { visible: strip.record !== null; text: "·"; color: Ui.Palette.tertiaryText; font.pixelSize: 13 }
        Text {
            visible: strip.record !== null
            text: strip.record ? app.longDate(strip.record.timestamp, false) : ""
            font.pixelSize: 13
            color: Ui.Palette.secondaryText
        }
        Item { Layout.fillWidth: true }
        FilledButton {
            objectName: "newSearchButton"
            text: "New search"
            iconName: "plus.circle.fill"
            spacingBetween: 5
            help: "Start a new search"
            onClicked: strip.newSearch()
        }
    }
}
