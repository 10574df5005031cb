import QtQuick
import QtQuick.Controls
import QtTest
import Brindle.UI

Item {
    id: root
    width: 480
    height: 1200 // the recording card below the findings, without scrolling

    Component { id: sessionComponent; FakeSession {} }
    Component { id: presentationComponent; FakePresentation {} }
    Component {
        id: viewComponent
        MainView { anchors.fill: parent; settings: Settings }
    }
    // Stands in for the recording view model and keeps the files it is asked to check.
    Component {
        id: recordingComponent
        QtObject {
            property bool isRunning: false
            property bool canStart: true
            property string fileName: ""
            property string progressText: ""
            property string error: ""
            property var findings: []
            property var checked: []
            function checkRecording(file) { checked = checked.concat([file.toString()]) }
        }
    }

    TestCase {
        name: "MainView"
        when: windowShown

        property var session
        property var recording
        property var view

        function init() {
            failOnWarning(/not installed|could not/) // e.g. the QML module of Qt Quick's dialogs
            // The stand-ins outlive each view (they stay with root), so a view never reads a
            // destroyed session while it is torn down.
            session = sessionComponent.createObject(root)
            recording = recordingComponent.createObject(root)
            view = createTemporaryObject(viewComponent, root, { session: session, recording: recording,
                                         presentation: presentationComponent.createObject(root) })
            verify(view)
        }

        function finding(verdict) {
            return { id: Math.random().toString(), quote: "q", verdict: verdict, explanation: "e",
                     eyebrow: "umm...", isDemo: false, elapsedText: "1.0s", timeText: "12:00",
                     sourceCountText: "No sources", sources: [] }
        }

        function test_sessionButton_data() {
            return [
                { tag: "idle with a source", source: 0, loading: false, running: false, starting: false, enabled: true, label: "Start" },
                { tag: "idle without a source", source: -1, loading: false, running: false, starting: false, enabled: false, label: "Start" },
                { tag: "references loading", source: 0, loading: true, running: false, starting: false, enabled: false, label: "Start" },
                { tag: "running without a source", source: -1, loading: false, running: true, starting: false, enabled: true, label: "Stop" },
                { tag: "starting while loading", source: 0, loading: true, running: false, starting: true, enabled: true, label: "Cancel start" },
            ]
        }
        function test_sessionButton(data) {
            session.selectedSourceIndex = data.source
            session.isLoadingReferences = data.loading
            session.isRunning = data.running
            session.isStarting = data.starting
            const button = findChild(view, "startButton")
            compare(button.enabled, data.enabled)
            compare(button.text, data.label)
            mouseClick(button)
            compare(session.toggles, data.enabled ? 1 : 0)
        }

        // Settings wait for the session and its checks; references for the session and a load.
        function test_lockedWhileBusy_data() {
            return [
                { tag: "idle", state: {}, settings: true, references: true },
                { tag: "running", state: { isRunning: true }, settings: false, references: false },
                { tag: "starting", state: { isStarting: true }, settings: false, references: false },
                { tag: "checks pending", state: { pendingCount: 2 }, settings: false, references: true },
                { tag: "loading", state: { isLoadingReferences: true }, settings: true, references: false },
            ]
        }
        function test_lockedWhileBusy(data) {
            for (const key in data.state)
                session[key] = data.state[key]
            compare(findChild(view, "settingsButton").enabled, data.settings)
            for (const name of ["addFilesButton", "connectFolderButton", "refreshFolderButton",
                                "disconnectFolderButton", "removeReferenceButton"])
                compare(findChild(view, name).enabled, data.references, name)
        }

        function test_historyRowAppearsFromTwoFindings() {
            const history = findChild(view, "historyRow")
            session.findings = [finding("contradicted")]
            verify(!history.visible)
            verify(!findChild(view, "emptyState").visible)
            session.findings = [finding("contradicted"), finding("supported")]
            verify(history.visible)
            compare(history.title, "Earlier findings (1)")
        }

        // Both ways in open Qt Quick's own file dialog; the file chosen there is checked.
        function test_chosenFileIsChecked_data() {
            return [{ tag: "card button", menu: false }, { tag: "header menu", menu: true }]
        }
        function test_chosenFileIsChecked(data) {
            const dialog = findChild(view, "recordingFileDialog")
            dialog.currentFolder = recordingsFolder
            if (data.menu) {
                mouseClick(findChild(view, "menuButton"))
                const item = findChild(view, "checkRecordingItem")
                tryCompare(item.menu, "opened", true)
                mouseClick(item)
            } else {
                mouseClick(findChild(view, "checkRecordingButton"))
            }
            let file = null
            tryVerify(() => (file = findChild(root.Overlay.overlay, "fileDialogDelegate0")) !== null)
            compare(file.fileName, "talk.wav")
            mouseDoubleClickSequence(file)
            tryCompare(dialog, "visible", false)
            compare(recording.checked, [recordingsFolder + "/talk.wav"])
        }
    }
}
