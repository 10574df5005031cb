import QtQuick
import QtTest
import Brindle.UI

Item {
    id: root
    width: 480
    height: 400

    Component {
        id: historyComponent
        QtObject {
            property bool keepHistory: true
            property int deletions: 0
            function deleteAll() { deletions++ }
        }
    }
    Component {
        id: sectionComponent
        HistorySettingsSection { width: 440 }
    }

    TestCase {
        name: "HistorySettingsSection"
        when: windowShown

        function test_turningOff_data() {
            return [
                { tag: "delete what is kept", confirm: true, deletions: 1 },
                { tag: "keep what is kept", confirm: false, deletions: 0 },
            ]
        }
        function test_turningOff(data) {
            const history = createTemporaryObject(historyComponent, root)
            const section = createTemporaryObject(sectionComponent, root, { history: history })
            section.load()
            const toggle = findChild(section, "keepHistorySwitch")
            toggle.toggled(false)
            const dialog = findChild(section, "confirmDeleteKept")
            tryCompare(dialog, "opened", true)
            mouseClick(findChild(dialog.contentItem, data.confirm ? "confirmButton" : "cancelConfirm"))
            // Nothing is stored or deleted before the sheet saves.
            compare(history.keepHistory, true)
            compare(history.deletions, 0)
            section.apply()
            compare(history.keepHistory, false)
            compare(history.deletions, data.deletions)
        }

    }
}
