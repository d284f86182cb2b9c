import QtQuick
import Orvane

// One of the UI's symbols, tinted.
Item {
    id: icon
    property string name
    property color color: Theme.primaryText
    property real size: 16
    implicitWidth: size
    implicitHeight: size
    width: implicitWidth
    height: implicitHeight
    Accessible.ignored: true
    Image {
        anchors.fill: parent
        sourceSize.width: icon.size * 2
        sourceSize.height: icon.size * 2
        fillMode: Image.PreserveAspectFit
        cache: false // the icon provider keeps what it drew
        smooth: true
        source: icon.name.length > 0 ? "image://icon/" + icon.name + "?" + icon.color : ""
    }
}
