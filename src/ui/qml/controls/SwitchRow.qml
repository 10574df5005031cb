import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// A labelled on/off switch with a leading symbol.
RowLayout {
    id: row

    property string title
    property string symbol
    property bool isOn: false
    property string help
    signal toggled(bool on)

    Layout.fillWidth: true
    spacing: 8

    SymbolIcon { symbol: row.symbol; size: 14; color: Theme.secondaryText }
    Label {
        text: row.title
        font.pixelSize: 13
        color: Theme.primaryText
        Layout.fillWidth: true
        elide: Text.ElideRight
        ToolTip.text: row.help
        ToolTip.visible: row.help !== "" && hover.hovered
        ToolTip.delay: 600
        HoverHandler { id: hover }
    }
    Switch {
        id: toggle
        objectName: "switch"
        checked: row.isOn
        focusPolicy: Qt.NoFocus
        Accessible.name: row.title
        onToggled: row.toggled(checked)
        opacity: enabled ? 1 : 0.38
        padding: 0
        implicitWidth: 38
        implicitHeight: 22
        indicator: Rectangle {
            implicitWidth: 38
            implicitHeight: 22
            x: 0
            y: (toggle.height - height) / 2
            radius: height / 2
            color: toggle.checked ? Theme.mint : Qt.rgba(1, 1, 1, 0.16)
            Behavior on color { ColorAnimation { duration: 120 } }
            Rectangle {
                width: 18
                height: 18
                radius: 9
                y: 2
                x: toggle.checked ? parent.width - width - 2 : 2
                color: "white"
                Behavior on x { NumberAnimation { duration: 120; easing.type: Easing.OutQuad } }
            }
        }
        contentItem: Item {}
    }
}
