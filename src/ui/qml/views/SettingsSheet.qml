import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// Model settings and API keys. Edits copies; nothing is stored until Save succeeds.
Popup {
    id: sheet

    property var settings
    property var history
    readonly property alias controller: controller

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(460, parent ? parent.width - 16 : 460)
    height: Math.min(650, parent ? parent.height - 16 : 650)
    modal: true
    focus: true
    padding: 24
    closePolicy: Popup.CloseOnEscape

    onAboutToShow: {
        controller.load()
        historySection.load()
    }

    function save() {
        if (controller.canSave)
            controller.requestSave()
    }

    SettingsSheetController {
        id: controller
        settings: sheet.settings
        onSaved: {
            historySection.apply()
            sheet.close()
        }
    }

    background: Rectangle {
        radius: 16
        color: Theme.windowBackground
        border.color: Theme.hairline
    }
    Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.45) }

    contentItem: ColumnLayout {
        spacing: 12

        Label {
            text: "Model settings"
            font.pixelSize: 22
            font.weight: Font.DemiBold
            color: Theme.primaryText
        }
        Label {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: "Selka selects claims. A separate research model finds evidence and writes the finding."
            font.pixelSize: 13
            color: Theme.secondaryText
        }

        ScrollView {
            id: formScroll
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true

            ColumnLayout {
                width: formScroll.availableWidth
                spacing: 12

                FormSection {
                    title: "Claim selection"
                    SwitchRow {
                        objectName: "useSelkaSwitch"
                        title: "Use Selka"
                        isOn: controller.useSelka
                        onToggled: (on) => controller.useSelka = on
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        enabled: controller.useSelka
                        opacity: enabled ? 1 : 0.38
                        Label { text: "Selka provider"; font.pixelSize: 13; color: Theme.primaryText; Layout.fillWidth: true }
                        ComboBox {
                            objectName: "selkaProviderMenu"
                            Layout.preferredWidth: 230
                            implicitHeight: 32
                            model: ["Quorvane", "OpenRouter"]
                            currentIndex: controller.selkaProvider
                            onActivated: (index) => controller.selkaProvider = index
                        }
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        visible: controller.selkaProvider === 1
                        enabled: controller.useSelka
                        LabeledField {
                            objectName: "openRouterSelkaModelField"
                            label: "Selka model"
                            text: controller.openRouterSelkaModel
                            onEdited: (value) => controller.openRouterSelkaModel = value
                        }
                        Caption { text: "Uses your OpenRouter key below." }
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        visible: controller.selkaProvider === 0
                        enabled: controller.useSelka
                        LabeledField {
                            objectName: "selkaKeyField"
                            label: "Quorvane API key"
                            secret: true
                            text: controller.selkaKey
                            onEdited: (value) => controller.selkaKey = value
                        }
                        LabeledField {
                            objectName: "selkaModelField"
                            label: "Selka model"
                            text: controller.selkaModel
                            onEdited: (value) => controller.selkaModel = value
                        }
                    }
                }

                FormSection {
                    title: "Research and corrections"
                    RowLayout {
                        Layout.fillWidth: true
                        Label { text: "Provider"; font.pixelSize: 13; color: Theme.primaryText; Layout.fillWidth: true }
                        ComboBox {
                            objectName: "researchProviderMenu"
                            Layout.preferredWidth: 230
                            implicitHeight: 32
                            model: ["OpenAI", "OpenRouter"]
                            currentIndex: controller.researchProvider
                            onActivated: (index) => controller.researchProvider = index
                        }
                    }
                    // Made anew for each provider, so its custom mode starts from that model.
                    Loader {
                        objectName: "pickerLoader"
                        Layout.fillWidth: true
                        sourceComponent: controller.researchProvider === 0 ? openAIPicker : openRouterPicker
                    }
                    LabeledField {
                        objectName: "researchKeyField"
                        visible: controller.researchProvider === 0
                        label: "Your OpenAI API key"
                        secret: true
                        text: controller.researchKey
                        onEdited: (value) => controller.researchKey = value
                    }
                    Caption { text: "Bring your own key. Requests are billed to your provider account." }
                }

                FormSection {
                    objectName: "openRouterSection"
                    title: "OpenRouter BYOK"
                    visible: controller.showsOpenRouterSection
                    LabeledField {
                        objectName: "openRouterKeyField"
                        label: "Your OpenRouter API key"
                        secret: true
                        text: controller.openRouterKey
                        onEdited: (value) => controller.openRouterKey = value
                    }
                    Caption { text: "One key can run Selka and the research model." }
                }

                HistorySettingsSection {
                    id: historySection
                    history: sheet.history
                }

                FormSection {
                    title: "Usage"
                    RowLayout {
                        Layout.fillWidth: true
                        Label {
                            objectName: "maxChecksLabel"
                            text: "Up to " + controller.maxChecks + " checks per session"
                            font.pixelSize: 13
                            color: Theme.primaryText
                            Layout.fillWidth: true
                        }
                        ActionButton {
                            objectName: "fewerChecks"
                            text: "\u2212"
                            kind: "secondary"
                            buttonHeight: 28
                            enabled: controller.maxChecks > 10
                            onClicked: controller.maxChecks = Math.max(10, controller.maxChecks - 10)
                        }
                        ActionButton {
                            objectName: "moreChecks"
                            text: "+"
                            kind: "secondary"
                            buttonHeight: 28
                            enabled: controller.maxChecks < 200
                            onClicked: controller.maxChecks = Math.min(200, controller.maxChecks + 10)
                        }
                    }
                }
            }
        }

        Label {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: "API keys are stored in your system keyring. Cloud providers may charge for requests. Audio capture starts only when you choose Start."
            font.pixelSize: 11
            color: Theme.secondaryText
        }
        RowLayout {
            objectName: "saveError"
            Layout.fillWidth: true
            visible: controller.error !== ""
            spacing: 6
            SymbolIcon { symbol: "exclamationmark.triangle"; size: 11; color: Theme.orange; Layout.alignment: Qt.AlignTop; Layout.topMargin: 2 }
            Label {
                Layout.fillWidth: true
                wrapMode: Text.WordWrap
                text: controller.error
                font.pixelSize: 11
                color: Theme.orange
            }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 10
            Item { Layout.fillWidth: true }
            ActionButton {
                objectName: "cancelButton"
                text: "Cancel"
                kind: "secondary"
                buttonHeight: 34
                onClicked: sheet.close()
            }
            ActionButton {
                objectName: "saveButton"
                text: "Save"
                kind: "primary"
                buttonHeight: 34
                enabled: controller.canSave
                onClicked: sheet.save()
            }
        }
    }

    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: sheet.visible
        onActivated: sheet.save()
    }

    Component {
        id: openAIPicker
        ResearchModelPicker {
            provider: 0
            model: controller.researchModel
            onModelEdited: (value) => controller.researchModel = value
        }
    }
    Component {
        id: openRouterPicker
        ResearchModelPicker {
            provider: 1
            model: controller.openRouterModel
            onModelEdited: (value) => controller.openRouterModel = value
        }
    }

    component FormSection: Rectangle {
        id: formSection
        property string title
        default property alias content: sectionBody.data
        Layout.fillWidth: true
        implicitHeight: sectionColumn.implicitHeight + 28
        radius: 12
        color: Theme.faintFill
        border.color: Theme.hairline
        ColumnLayout {
            id: sectionColumn
            anchors { left: parent.left; right: parent.right; top: parent.top; margins: 14 }
            spacing: 10
            Label {
                text: formSection.title
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: Theme.secondaryText
            }
            ColumnLayout {
                id: sectionBody
                Layout.fillWidth: true
                spacing: 10
            }
        }
    }

    component Caption: Label {
        Layout.fillWidth: true
        wrapMode: Text.WordWrap
        font.pixelSize: 11
        color: Theme.secondaryText
    }

    component LabeledField: ColumnLayout {
        id: labeled
        property string label
        property alias text: input.text
        property alias secret: input.secret
        signal edited(string value)
        Layout.fillWidth: true
        spacing: 4
        opacity: enabled ? 1 : 0.38
        Label {
            text: labeled.label
            font.pixelSize: 13
            color: Theme.primaryText
            elide: Text.ElideRight
        }
        DarkTextField {
            id: input
            Layout.fillWidth: true
            placeholderText: labeled.label
            onTextEdited: labeled.edited(text)
            Accessible.name: labeled.label
        }
    }
}
