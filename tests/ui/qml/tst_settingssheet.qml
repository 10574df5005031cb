import QtQuick
import QtQuick.Controls
import QtTest
import Brindle.UI

// The settings sheet, and the history section and research model picker it is made of.
Item {
    id: root
    width: 480
    height: 740

    Component {
        id: sheetComponent
        SettingsSheet { settings: Settings }
    }

    TestCase {
        name: "SettingsSheet"
        when: windowShown

        property var sheet

        function init() {
            sheet = createTemporaryObject(sheetComponent, root)
            sheet.open()
            tryCompare(sheet, "opened", true)
        }

        function test_openRouterSectionFollowsTheProviders() {
            const section = findChild(sheet.contentItem, "openRouterSection")
            sheet.controller.researchProvider = 0
            sheet.controller.selkaProvider = 0
            verify(!section.visible)
            sheet.controller.openRouterKey = "kept"
            sheet.controller.researchProvider = 1
            verify(section.visible)
            sheet.controller.researchProvider = 0
            verify(!section.visible)
            compare(sheet.controller.openRouterKey, "kept")
            sheet.controller.selkaProvider = 1
            verify(section.visible)
        }

        function test_failedSaveKeepsTheSheetOpenWithTheError() {
            sheet.controller.maxChecks = 15
            mouseClick(findChild(sheet.contentItem, "saveButton"))
            verify(sheet.opened)
            verify(findChild(sheet.contentItem, "saveError").visible)
            compare(Settings.maxChecksPerSession, 30)
        }

        function test_cancelDiscardsTheCopies() {
            sheet.controller.selkaModel = "changed"
            mouseClick(findChild(sheet.contentItem, "cancelButton"))
            tryCompare(sheet, "visible", false)
            compare(Settings.selkaModel, "selka-1.13")
        }
    }

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

    Component {
        id: pickerComponent
        ResearchModelPicker {
            id: picker
            width: 400
            // Plays the bound setting: edits come back as the new model text.
            onModelEdited: (value) => picker.model = value
        }
    }

    TestCase {
        name: "ResearchModelPicker"
        when: windowShown

        function make(provider, model) {
            return createTemporaryObject(pickerComponent, root, { provider: provider, model: model })
        }

        function test_startMode_data() {
            return [
                { tag: "OpenAI preset", provider: 0, model: "gpt-5.4", custom: false, shown: "OpenAI GPT-5.4" },
                { tag: "OpenAI-only id with OpenRouter", provider: 1, model: "gpt-5.4", custom: true, shown: "Custom model\u2026" },
                { tag: "OpenRouter preset", provider: 1, model: "openai/gpt-5.4", custom: false, shown: "OpenAI GPT-5.4" },
            ]
        }
        function test_startMode(data) {
            const picker = make(data.provider, data.model)
            compare(picker.custom, data.custom)
            compare(findChild(picker, "modelMenu").displayText, data.shown)
            const field = findChild(picker, "modelField")
            compare(field.visible, data.custom)
            if (data.custom)
                compare(field.text, data.model)
        }

        function test_choosingAPresetWritesItsIdAndHidesTheField() {
            const picker = make(1, "gpt-5.4")
            const menu = findChild(picker, "modelMenu")
            menu.activated(1)
            compare(picker.model, "deepseek/deepseek-v4-flash-20260731")
            verify(!picker.custom)
            verify(!findChild(picker, "modelField").visible)
            compare(menu.displayText, "DeepSeek V4 Flash")
        }
    }
}
