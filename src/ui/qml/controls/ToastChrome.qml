import QtQuick
import QtQuick.Layouts
import Brindle.UI

// The floating panels' card: surface, a wash of the accent colour at the top, a fine border.
Item {
    id: chrome

    property color accent: Theme.mint
    default property alias content: column.data

    Accessible.role: Accessible.Grouping

    Rectangle {
        anchors.fill: parent
        radius: 16
        color: Theme.surface
    }
    Rectangle {
        anchors.fill: parent
        radius: 16
        gradient: Gradient {
            GradientStop { position: 0.0; color: Theme.withAlpha(chrome.accent, 0.16) }
            GradientStop { position: 0.5; color: "transparent" }
        }
    }
    Rectangle {
        anchors.fill: parent
        anchors.margins: 0.5
        radius: 15.5
        color: "transparent"
        border.color: Qt.rgba(1, 1, 1, 0.13)
        border.width: 1
    }
    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 16
        spacing: 9
    }
}
