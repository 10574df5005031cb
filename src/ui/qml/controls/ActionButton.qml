import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// The one button look: primary (mint), secondary, danger and quiet kinds.
AbstractButton {
    id: button

    property string kind: "primary"
    property real buttonHeight: 44
    property bool fullWidth: false
    property string symbol
    property string help

    readonly property bool large: buttonHeight >= 44
    readonly property color fill: {
        const hover = hovered && enabled
        switch (kind) {
        case "primary": return Theme.withAlpha(Theme.mint, hover ? 1.0 : 0.9)
        case "danger": return Theme.withAlpha(Theme.danger, hover ? 1.0 : 0.9)
        case "quiet": return Qt.rgba(1, 1, 1, hover ? 0.08 : 0)
        }
        return Qt.rgba(1, 1, 1, hover ? 0.12 : 0.075)
    }
    readonly property color textColor: {
        switch (kind) {
        case "primary": return "black"
        case "danger": return "white"
        case "quiet": return Theme.secondaryText
        }
        return Theme.primaryText
    }

    implicitHeight: buttonHeight
    implicitWidth: contentItem.implicitWidth + (large ? 36 : 24)
    Layout.preferredHeight: buttonHeight
    Layout.fillWidth: fullWidth
    hoverEnabled: true
    focusPolicy: Qt.NoFocus
    opacity: !enabled ? 0.38 : (down ? 0.85 : 1)
    scale: down ? 0.97 : 1
    Behavior on scale { NumberAnimation { duration: 120; easing.type: Easing.OutQuad } }
    Behavior on opacity { NumberAnimation { duration: 120; easing.type: Easing.OutQuad } }
    Accessible.name: text
    ToolTip.text: help
    ToolTip.visible: hovered && help !== ""
    ToolTip.delay: 600

    background: Rectangle {
        radius: 11
        color: button.fill
        border.color: Theme.hairline
        border.width: 1
        Behavior on color { ColorAnimation { duration: 80; easing.type: Easing.OutQuad } }
    }
    contentItem: Item {
        implicitWidth: row.implicitWidth
        implicitHeight: row.implicitHeight
        RowLayout {
            id: row
            anchors.centerIn: parent
            spacing: 7
            SymbolIcon {
                symbol: button.symbol
                size: button.large ? 15 : 13
                color: button.textColor
            }
            Label {
                text: button.text
                font.pixelSize: button.large ? 15 : 13
                font.weight: Font.DemiBold
                color: button.textColor
            }
        }
    }
}
