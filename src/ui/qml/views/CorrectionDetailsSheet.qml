import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// The selected finding in full, over the main window; "Done" or Return closes it.
Popup {
    id: sheet

    property var finding: null
    property var session
    signal done()

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(500, parent ? parent.width - 16 : 500)
    height: Math.min(540, parent ? parent.height - 16 : 540)
    modal: true
    focus: true
    padding: 22
    closePolicy: Popup.CloseOnEscape
    readonly property bool hasFinding: finding !== null && finding !== undefined
    onHasFindingChanged: hasFinding ? open() : close()
    Component.onCompleted: if (hasFinding) open()
    onClosed: if (hasFinding) done()

    background: Rectangle {
        radius: 16
        color: Theme.windowBackground
        border.color: Theme.hairline
    }
    Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.45) }

    contentItem: ColumnLayout {
        spacing: 14
        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Correction details"
                font.pixelSize: 18
                font.weight: Font.DemiBold
                color: Theme.primaryText
                Layout.fillWidth: true
            }
            ActionButton {
                objectName: "doneButton"
                text: "Done"
                kind: "primary"
                buttonHeight: 36
                onClicked: sheet.done()
            }
        }
        ScrollView {
            id: detailsScroll
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true
            ColumnLayout {
                width: detailsScroll.availableWidth
                FindingView {
                    finding: sheet.finding
                    session: sheet.session
                }
            }
        }
    }

    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: sheet.visible
        onActivated: sheet.done()
    }
}
