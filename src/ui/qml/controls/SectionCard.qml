import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// A titled card: a small bold caps header with an optional accessory, then the content.
Rectangle {
    id: card

    property string title
    property string symbol
    property alias accessory: accessorySlot.data
    default property alias content: body.data

    Layout.fillWidth: true
    implicitHeight: column.implicitHeight + 32
    radius: 16
    color: Theme.faintFill
    border.color: Theme.hairline
    border.width: 1

    ColumnLayout {
        id: column
        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 16 }
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 6
            Layout.minimumHeight: 20
            SymbolIcon { symbol: card.symbol; size: 12; color: Theme.secondaryText }
            Label {
                text: card.title
                font.pixelSize: 11
                font.bold: true
                font.letterSpacing: 0.6
                color: Theme.secondaryText
            }
            Item { Layout.fillWidth: true }
            Item {
                id: accessorySlot
                implicitWidth: childrenRect.width
                implicitHeight: childrenRect.height
            }
        }

        ColumnLayout {
            id: body
            Layout.fillWidth: true
            spacing: 10
        }
    }
}
