import QtQuick
import Brindle.UI

// Mint while active, with a ring that grows and fades forever; grey otherwise.
Item {
    id: dot

    property bool active: false
    property bool pulse: false

    implicitWidth: 8
    implicitHeight: 8

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: dot.active ? Theme.mint : Theme.withAlpha(Theme.secondaryText, 0.6 * Theme.secondaryText.a)
    }

    Rectangle {
        id: ring
        anchors.fill: parent
        radius: width / 2
        color: "transparent"
        border.color: Theme.withAlpha(Theme.mint, 0.6)
        border.width: 2
        visible: dot.active && dot.pulse

        ParallelAnimation {
            running: ring.visible
            loops: Animation.Infinite
            NumberAnimation { target: ring; property: "scale"; from: 1.0; to: 2.2; duration: 1400; easing.type: Easing.OutCubic }
            NumberAnimation { target: ring; property: "opacity"; from: 1.0; to: 0.0; duration: 1400; easing.type: Easing.OutCubic }
        }
    }

    Component.onCompleted: pulse = true
}
