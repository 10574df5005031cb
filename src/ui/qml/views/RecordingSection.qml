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
    // The History controller, for "Export report…" once a check ends; absent in views without it.
    property var history: null

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

    RowLayout {
        objectName: "recordingExportRow"
        Layout.fillWidth: true
        visible: section.history !== null && !section.recording.isRunning
                 && section.recording.fileName !== ""
        spacing: 8
        CheckBox {
            id: recordingTranscript
            palette { windowText: Theme.secondaryText; base: Theme.faintFill; mid: Theme.hairline; text: Theme.mint }
            text: "Include the transcript"
            font.pixelSize: 12
        }
        Item { Layout.fillWidth: true }
        ActionButton {
            objectName: "exportRecordingButton"
            text: "Export report\u2026"
            kind: "secondary"
            buttonHeight: 32
            onClicked: exportDialog.openFor(section.history.suggestedRecordingFileName("html"))
        }
    }
    Label {
        id: exportStatus
        objectName: "recordingExportStatus"
        Layout.fillWidth: true
        visible: text !== "" && section.recording.fileName !== ""
        elide: Text.ElideMiddle
        font.pixelSize: 12
        color: Theme.secondaryText
        Connections {
            target: section.recording
            function onIsRunningChanged() { exportStatus.text = "" }
        }
    }

    Repeater {
        model: section.recording.findings
        FindingView {
            required property var modelData
            finding: modelData
            session: section.session
        }
    }

    ReportFileDialog {
        id: exportDialog
        onAccepted: exportStatus.text =
            section.history.exportRecordingReport(selectedFile, recordingTranscript.checked)
    }

    FileDialog {
        id: fileDialog
        objectName: "recordingFileDialog"
        title: "Check a recording"
        nameFilters: ["Audio and video files (*.wav *.mp3 *.ogg *.opus *.oga *.flac *.m4a *.aac *.mp4 *.m4v *.mov *.webm *.mkv *.mka)",
                      "All files (*)"]
        onAccepted: section.recording.checkRecording(selectedFile)
    }
}
