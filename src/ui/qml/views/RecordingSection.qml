import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Brindle.UI

// Checking a recording: the file panel, progress and Cancel, the error line and the recording's
// findings, each with its place in the recording.
SectionCard {
    id: section
    objectName: "recordingSection"

    property var recording
    property var session

    title: "RECORDING"
    symbol: "waveform"

    function chooseFile() {
        if (recording.canStart)
            fileDialog.open()
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 8
        ActionButton {
            objectName: "checkRecordingButton"
            text: "Check a recording\u2026"
            kind: "secondary"
            buttonHeight: 36
            enabled: section.recording.canStart
            help: "Check the claims in an audio or video file"
            onClicked: section.chooseFile()
        }
        ActionButton {
            objectName: "cancelRecordingButton"
            visible: section.recording.isRunning
            text: "Cancel"
            kind: "secondary"
            buttonHeight: 36
            onClicked: section.recording.cancel()
        }
        Item { Layout.fillWidth: true }
    }

    Label {
        objectName: "recordingProgress"
        Layout.fillWidth: true
        visible: text !== ""
        text: section.recording.fileName !== ""
              ? section.recording.fileName + "\n" + section.recording.progressText : ""
        wrapMode: Text.WordWrap
        font.pixelSize: 12
        color: Theme.secondaryText
    }

    Label {
        objectName: "recordingError"
        Layout.fillWidth: true
        visible: text !== ""
        text: section.recording.error
        wrapMode: Text.WordWrap
        font.pixelSize: 13
        color: Theme.orange
    }

    Repeater {
        model: section.recording.findings
        FindingView {
            required property var modelData
            finding: modelData
            session: section.session
        }
    }

    FileDialog {
        id: fileDialog
        title: "Check a recording"
        nameFilters: ["Audio and video files (*.wav *.mp3 *.ogg *.opus *.oga *.flac *.m4a *.aac *.mp4 *.m4v *.mov *.webm *.mkv *.mka)",
                      "All files (*)"]
        onAccepted: section.recording.checkRecording(selectedFile)
    }
}
