import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// A header that shows or hides its content below it.
ColumnLayout {
    id: row

    property string title
    property string symbol
    property bool expanded: false
    default property alias content: body.data

    Layout.fillWidth: true
    spacing: 8

    AbstractButton {
        id: header
        objectName: "expandableHeader"
        Layout.fillWidth: true
        implicitHeight: 38
        hoverEnabled: true
        Accessible.name: row.title
        Accessible.description: row.expanded ? "Expanded" : "Collapsed"
        onClicked: row.expanded = !row.expanded

        background: Rectangle {
            radius: 11
            color: Qt.rgba(1, 1, 1, header.hovered ? 0.09 : 0.06)
            Behavior on color { ColorAnimation { duration: 80; easing.type: Easing.OutQuad } }
        }
        contentItem: RowLayout {
            spacing: 8
            Item { implicitWidth: 4 }
            SymbolIcon { symbol: row.symbol; size: 14; color: Theme.secondaryText }
            Label {
                text: row.title
                font.pixelSize: 13
                font.weight: Font.Medium
                color: Theme.primaryText
                Layout.fillWidth: true
                elide: Text.ElideRight
            }
            SymbolIcon {
                symbol: "chevron.right"
                size: 11
                color: Theme.secondaryText
                rotation: row.expanded ? 90 : 0
                Behavior on rotation { NumberAnimation { duration: 180; easing.type: Easing.OutCubic } }
            }
            Item { implicitWidth: 4 }
        }
    }

    // The content opens and closes with the chevron: height and opacity follow `reveal`.
    Item {
        objectName: "expandableContent"
        property real reveal: row.expanded ? 1 : 0
        Behavior on reveal { NumberAnimation { duration: 180; easing.type: Easing.OutCubic } }
        Layout.fillWidth: true
        Layout.preferredHeight: body.implicitHeight * reveal
        visible: row.expanded || reveal > 0
        opacity: reveal
        clip: true

        ColumnLayout {
            id: body
            width: parent.width
            spacing: 10
        }
    }
}
