import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// The verdict as a tinted capsule with its symbol and label.
Rectangle {
    id: badge

    property string verdict: "unresolved"
    readonly property color tint: Theme.verdictColor(verdict)
    readonly property string label: Theme.verdictLabel(verdict)

    implicitWidth: row.implicitWidth + 20
    implicitHeight: row.implicitHeight + 10
    radius: height / 2
    color: Theme.withAlpha(tint, 0.14 * tint.a)
    Accessible.name: label

    RowLayout {
        id: row
        anchors.centerIn: parent
        spacing: 5
        SymbolIcon { symbol: Theme.verdictSymbol(badge.verdict); size: 12; color: badge.tint }
        Label {
            text: badge.label
            font.pixelSize: 12
            font.weight: Font.DemiBold
            color: badge.tint
        }
    }
}
