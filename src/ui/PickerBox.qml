import QtQuick
import QtQuick.Controls
import Orvane

// A drop-down choice in the program's colours.
ComboBox {
    id: control
    Accessible.role: Accessible.ComboBox
    hoverEnabled: true
    contentItem: Text {
        leftPadding: 10
        rightPadding: control.indicator.width + 6
        text: control.displayText
        font: control.font
        color: Theme.primaryText
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    indicator: Icon {
        x: control.width - width - 10
        y: (control.height - height) / 2
        name: "chevron.down"
        color: Theme.secondaryText
        size: 11
    }
    background: Rectangle {
        implicitWidth: 160
        implicitHeight: 32
        radius: 6
        color: control.hovered ? Qt.tint(Theme.controlBackground, Theme.hoverFill) : Theme.controlBackground
        border.width: 1
        border.color: Theme.separator
        FocusRing { control: control; radius: 6 }
    }
    delegate: ItemDelegate {
        id: choice
        required property int index
        required property var modelData
        width: ListView.view ? ListView.view.width : implicitWidth
        highlighted: control.highlightedIndex === index
        hoverEnabled: true
        Accessible.name: String(modelData)
        contentItem: Text {
            text: String(choice.modelData)
            font: control.font
            color: choice.highlighted ? Theme.brandPaper : Theme.primaryText
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            radius: 4
            color: choice.highlighted ? Theme.accentFill : "transparent"
        }
    }
    popup: Popup {
        y: control.height + 2
        width: control.width
        implicitHeight: Math.min(contentItem.implicitHeight + 8, 300)
        padding: 4
        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            model: control.popup.visible ? control.delegateModel : null
            currentIndex: control.highlightedIndex
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }
        }
        background: Rectangle {
            radius: 8
            color: Theme.controlBackground
            border.width: 1
            border.color: Theme.separator
        }
    }
}
