import QtQuick
import Orvane

Rectangle {
    property real inset: 0
    height: 1
    color: Theme.separator
    anchors.leftMargin: inset
}
