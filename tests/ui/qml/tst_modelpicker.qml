import QtQuick
import QtQuick.Controls
import QtTest
import Brindle.UI

Item {
    id: root
    width: 460
    height: 200

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
