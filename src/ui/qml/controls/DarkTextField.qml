import QtQuick
import QtQuick.Controls
import Brindle.UI

// A single-line field on a dark well; `secret` hides what is typed.
TextField {
    id: field

    property bool secret: false

    echoMode: secret ? TextInput.Password : TextInput.Normal
    color: Theme.primaryText
    placeholderTextColor: Theme.tertiaryText
    selectionColor: Theme.withAlpha(Theme.mint, 0.45)
    selectedTextColor: "white"
    font.pixelSize: 13
    leftPadding: 10
    rightPadding: 10
    implicitHeight: 32
    background: Rectangle {
        radius: 8
        color: Qt.rgba(0, 0, 0, 0.25)
        border.color: field.activeFocus ? Theme.withAlpha(Theme.mint, 0.7) : Theme.hairline
        border.width: 1
    }
}
