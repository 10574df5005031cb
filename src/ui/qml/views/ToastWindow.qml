import QtQuick
import QtQuick.Controls
import Brindle.UI

// The floating panel of one correction: frameless, above other windows, never focused.
Window {
    id: window

    property var finding

    title: "Brindle correction"
    width: 400
    height: 260
    flags: Qt.Tool | Qt.FramelessWindowHint | Qt.WindowStaysOnTopHint | Qt.WindowDoesNotAcceptFocus
    color: "transparent"

    CorrectionToast {
        anchors.centerIn: parent
        finding: window.finding
        onOpen: AppPresentation.openToast()
        onDismiss: AppPresentation.dismissToast()
    }
}
