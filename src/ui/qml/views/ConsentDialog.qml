import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// A two-button alert asking before reference passages may go to the cloud provider.
Window {
    id: alert

    property QtObject reply
    property var parentWindow
    property string message
    property string informativeText
    property string allowText: "Allow"
    property string cancelText: "Cancel"
    property bool answered: false

    function open() {
        show()
        requestActivate()
    }
    function finish(allowed) {
        if (answered)
            return
        answered = true
        reply.answer(allowed)
        close()
    }

    transientParent: parentWindow
    modality: Qt.ApplicationModal
    flags: Qt.Dialog
    title: "Brindle"
    width: 420
    height: column.implicitHeight + 48
    color: Theme.windowBackground
    onClosing: finish(false)

    ColumnLayout {
        id: column
        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 24 }
        spacing: 12
        Label {
            Layout.fillWidth: true
            text: alert.message
            wrapMode: Text.WordWrap
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: Theme.primaryText
        }
        Label {
            Layout.fillWidth: true
            text: alert.informativeText
            wrapMode: Text.WordWrap
            font.pixelSize: 13
            color: Theme.secondaryText
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 6
            spacing: 10
            Item { Layout.fillWidth: true }
            ActionButton {
                text: alert.cancelText
                kind: "secondary"
                buttonHeight: 34
                onClicked: alert.finish(false)
            }
            ActionButton {
                text: alert.allowText
                kind: "primary"
                buttonHeight: 34
                onClicked: alert.finish(true)
            }
        }
    }
    Shortcut { sequence: "Escape"; onActivated: alert.finish(false) }
    Shortcut { sequences: ["Return", "Enter"]; onActivated: alert.finish(true) }
}
