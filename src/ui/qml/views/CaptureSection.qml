import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// What to listen to, the microphone and Slack switches, and the session button.
SectionCard {
    id: section

    property var session
    property bool sessionButtonEnabled: true
    readonly property bool busy: session.isRunning || session.isStarting
    signal toggleSession()

    title: "AUDIO SOURCE"
    symbol: "waveform"
    accessory: ActionButton {
        text: "Capture permissions"
        symbol: "lock.shield"
        kind: "quiet"
        buttonHeight: 30
        onClicked: section.session.openCapturePermissions()
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 8
        ComboBox {
            id: sourcePicker
            objectName: "sourcePicker"
            Layout.fillWidth: true
            implicitHeight: 36
            enabled: !section.busy
            opacity: enabled ? 1 : 0.38
            model: ["Choose an audio source"].concat(section.session.sourceNames)
            currentIndex: section.session.selectedSourceIndex + 1
            onActivated: (index) => section.session.selectedSourceIndex = index - 1
            Accessible.name: "Audio source"
        }
        IconButton {
            objectName: "refreshSourcesButton"
            symbol: "arrow.clockwise"
            label: "Refresh sources"
            enabled: !section.busy
            onClicked: section.session.refreshSources()
        }
    }

    SwitchRow {
        title: "Include my microphone"
        symbol: "mic"
        isOn: section.session.includeMicrophone
        enabled: !section.busy
        onToggled: (on) => section.session.includeMicrophone = on
    }
    SwitchRow {
        title: "Suggest Start when a Slack call begins"
        symbol: "phone.bubble"
        help: "Shows a prompt when Slack starts using the microphone. Nothing is captured until you choose Start checking."
        isOn: section.session.promptOnSlackCalls
        onToggled: (on) => section.session.promptOnSlackCalls = on
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 10
        ActionButton {
            objectName: "startButton"
            text: section.session.isStarting ? "Cancel start" : (section.session.isRunning ? "Stop" : "Start")
            symbol: section.busy ? "stop.fill" : "play.fill"
            kind: section.busy ? "danger" : "primary"
            buttonHeight: 50
            fullWidth: true
            help: section.busy ? "Stop listening (Ctrl+Return)" : "Start listening (Ctrl+Return)"
            enabled: section.sessionButtonEnabled
            onClicked: section.toggleSession()
        }
        ActionButton {
            objectName: "demoButton"
            text: "Demo"
            symbol: "sparkles"
            kind: "secondary"
            buttonHeight: 50
            help: "Simulated findings; no audio or network"
            enabled: !section.busy
            onClicked: section.session.runDemo()
        }
    }

    RowLayout {
        Layout.fillWidth: true
        visible: section.session.isDemo || !section.busy
        spacing: 6
        SymbolIcon {
            visible: section.session.isDemo
            symbol: "play.rectangle"
            size: 12
            color: Theme.mint
        }
        Label {
            objectName: "hintLine"
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            font.pixelSize: 12
            color: section.session.isDemo ? Theme.mint : Theme.secondaryText
            text: section.session.isDemo
                  ? "Demo uses simulated findings. No audio or network."
                  : (section.session.selectionIsAllSystemAudio
                     ? "Captures playback from all apps. Your microphone is controlled separately above."
                     : "Choose All system audio, or refresh sources to select one app.")
        }
    }
}
