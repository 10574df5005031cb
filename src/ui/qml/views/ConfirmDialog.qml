import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// A small confirmation over the window: a title, what will happen, Cancel and a danger button.
Popup {
    id: dialog

    property string title
    property string message
    property string confirmText: "Delete"
    property string cancelText: "Cancel"
    signal confirmed()
    signal declined()

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(380, parent ? parent.width - 32 : 380)
    modal: true
    focus: true
    padding: 20
    closePolicy: Popup.CloseOnEscape
    background: Rectangle {
        radius: 14
        color: Theme.surface
        border.color: Theme.hairline
    }
    Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.45) }

    contentItem: ColumnLayout {
        spacing: 10
        Label {
            Layout.fillWidth: true
            text: dialog.title
            wrapMode: Text.WordWrap
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: Theme.primaryText
        }
        Label {
            Layout.fillWidth: true
            text: dialog.message
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
                objectName: "cancelConfirm"
                text: dialog.cancelText
                kind: "secondary"
                buttonHeight: 32
                onClicked: { dialog.close(); dialog.declined() }
            }
            ActionButton {
                objectName: "confirmButton"
                text: dialog.confirmText
                kind: "danger"
                buttonHeight: 32
                onClicked: { dialog.close(); dialog.confirmed() }
            }
        }
    }
}
