import QtQuick
import QtQuick.Controls
import Brindle.UI

// The floating panel of the Slack call prompt: frameless, above other windows, never focused.
Window {
    id: window

    property string detail
    signal start()
    signal dismiss()
    signal disable()

    title: "Brindle Slack call"
    width: 400
    height: 150
    flags: Qt.Tool | Qt.FramelessWindowHint | Qt.WindowStaysOnTopHint | Qt.WindowDoesNotAcceptFocus
    color: "transparent"

    CallPrompt {
        objectName: "callPrompt"
        anchors.centerIn: parent
        detail: window.detail
        onStart: window.start()
        onDismiss: window.dismiss()
        onDisable: window.disable()
    }
}
