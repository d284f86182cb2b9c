import QtQuick
import Orvane

// A horizontal slice of a card (SectionCard's look), for a card whose body is a list: its top with
// the rounded corners, a middle piece, or its bottom. Slices laid end to end look like one card.
Item {
    id: slice
    // The card's rounded ends within this slice: Qt.TopEdge, Qt.BottomEdge, both, or neither.
    property int edges: 0
    clip: true
    Rectangle {
        anchors.fill: parent
        anchors.topMargin: slice.edges & Qt.TopEdge ? 0 : -radius
        anchors.bottomMargin: slice.edges & Qt.BottomEdge ? 0 : -radius
        radius: 12
        color: Theme.controlBackground
        border.width: 1
        border.color: Theme.separator
    }
}
