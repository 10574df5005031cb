import QtQuick
import QtQuick.Controls
import Brindle.UI

// A square symbol button; its label is the tooltip and the accessible name.
AbstractButton {
    id: button

    property string symbol
    property string label
    property real size: 36

    implicitWidth: size
    implicitHeight: size
    hoverEnabled: true
    focusPolicy: Qt.NoFocus
    opacity: enabled ? 1 : 0.38
    Accessible.name: label
    ToolTip.text: label
    ToolTip.visible: hovered && label !== ""
    ToolTip.delay: 600

    background: Rectangle {
        radius: Math.round(button.size * 0.28)
        color: Qt.rgba(1, 1, 1, button.hovered && button.enabled ? 0.12 : 0.06)
        Behavior on color { ColorAnimation { duration: 80; easing.type: Easing.OutQuad } }
    }
    contentItem: Item {
        SymbolIcon {
            anchors.centerIn: parent
            symbol: button.symbol
            size: Math.round(button.size * 0.42)
        }
    }
}
