import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// "Keep session history" in the settings sheet. It edits a copy like the rest of the sheet;
// apply() stores it once the sheet saves. Turning it off offers to delete what is kept.
Rectangle {
    id: section

    property var history
    property bool keep: true
    property bool deleteKept: false

    function load() {
        keep = history ? history.keepHistory : true
        deleteKept = false
    }
    function apply() {
        if (!history)
            return
        history.keepHistory = keep
        if (!keep && deleteKept)
            history.deleteAll()
    }

    visible: !!history
    Layout.fillWidth: true
    implicitHeight: column.implicitHeight + 28
    radius: 12
    color: Theme.faintFill
    border.color: Theme.hairline

    ColumnLayout {
        id: column
        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 14 }
        spacing: 10
        Label {
            text: "History"
            font.pixelSize: 12
            font.weight: Font.DemiBold
            color: Theme.secondaryText
        }
        SwitchRow {
            objectName: "keepHistorySwitch"
            title: "Keep session history"
            symbol: "clock.arrow.circlepath"
            isOn: section.keep
            onToggled: (on) => {
                section.keep = on
                section.deleteKept = false
                if (!on)
                    confirmDelete.open()
            }
        }
        Label {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: "Transcripts and findings stay on this device. Audio is never stored."
            font.pixelSize: 11
            color: Theme.secondaryText
        }
        Label {
            objectName: "deleteKeptNote"
            Layout.fillWidth: true
            visible: section.deleteKept
            wrapMode: Text.WordWrap
            text: "Kept sessions are deleted when you save."
            font.pixelSize: 11
            color: Theme.orange
        }
    }

    ConfirmDialog {
        id: confirmDelete
        objectName: "confirmDeleteKept"
        title: "Stop keeping session history?"
        message: "Sessions already kept stay on this device unless you delete them."
        confirmText: "Delete kept sessions"
        cancelText: "Keep them"
        onConfirmed: section.deleteKept = true
    }
}
