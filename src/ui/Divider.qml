import QtQuick
import Orvane.Ui as Ui

Rectangle {
    property real inset: 0
    height: 1
    color: Ui.Palette.separator
    anchors.leftMargin: inset
}
