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
    Component { id: viewComponent; MainView { anchors.fill: parent; settings: Settings } }
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
        name: "Recording"
        when: windowShown

        // Both ways in open Qt Quick's own file dialog; the file chosen there is checked.
        function test_chosenFileIsChecked_data() {
            return [{ tag: "card button", menu: false }, { tag: "header menu", menu: true }]
        }
        function test_chosenFileIsChecked(data) {
            failOnWarning(/not installed|could not/)
            const recording = recordingComponent.createObject(root)
            const view = createTemporaryObject(viewComponent, root, {
                session: sessionComponent.createObject(root),
                presentation: presentationComponent.createObject(root), recording: recording })
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
