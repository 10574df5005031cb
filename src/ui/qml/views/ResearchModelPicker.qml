import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// The research model: a provider's presets, or "Custom model…" with a free-text identifier.
ColumnLayout {
    id: picker

    property int provider: 0
    property string model
    // Custom mode is decided once, when the picker is made, then only by the menu.
    property bool custom: false
    readonly property var presets: ResearchModelPresets.presets(provider)
    signal modelEdited(string model)

    spacing: 6

    Component.onCompleted: custom = ResearchModelPresets.startsCustom(provider, model)

    RowLayout {
        Layout.fillWidth: true
        Label {
            text: "Research model"
            font.pixelSize: 13
            color: Theme.primaryText
            Layout.fillWidth: true
        }
        ComboBox {
            id: menu
            objectName: "modelMenu"
            Layout.preferredWidth: 230
            implicitHeight: 32
            model: picker.presets.map(p => p.name).concat(["Custom model\u2026"])
            Accessible.name: "Research model"
            onActivated: (index) => {
                picker.custom = index === picker.presets.length
                if (!picker.custom)
                    picker.modelEdited(picker.presets[index].id)
            }
        }
        Binding {
            target: menu
            property: "currentIndex"
            value: picker.custom ? picker.presets.length
                                 : picker.presets.findIndex(p => p.id === picker.model)
        }
    }
    DarkTextField {
        objectName: "modelField"
        Layout.fillWidth: true
        visible: picker.custom
        placeholderText: "Model ID"
        text: picker.model
        onTextEdited: picker.modelEdited(text)
    }
    Label {
        visible: picker.custom
        text: "Requires tools and structured output."
        font.pixelSize: 11
        color: Theme.secondaryText
    }
}
