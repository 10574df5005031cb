import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// The content of the Slack call prompt: what was noticed, what listening means, and the choices.
ToastChrome {
    id: prompt

    property string detail
    signal start()
    signal dismiss()
    signal disable()

    width: 390
    height: 140
    accent: Theme.mint

    RowLayout {
        Layout.fillWidth: true
        Layout.alignment: Qt.AlignTop
        spacing: 10
        Rectangle {
            Layout.alignment: Qt.AlignTop
            width: 38
            height: 38
            radius: 10
            color: Theme.withAlpha(Theme.mint, 0.14)
            SymbolIcon {
                anchors.centerIn: parent
                symbol: "phone.bubble.fill"
                size: 18
                color: Theme.mint
            }
        }
        ColumnLayout {
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignTop
            spacing: 2
            Label {
                text: "Slack call detected"
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: Theme.primaryText
            }
            Label {
                objectName: "promptMessage"
                Layout.fillWidth: true
                textFormat: Text.RichText
                text: Theme.emojiText("\u261D\uFE0F Fact-check this call? " + prompt.detail)
                wrapMode: Text.WordWrap
                font.pointSize: Theme.pointsForPixels(12.5, Screen.logicalPixelDensity)
                color: Theme.secondaryText
            }
        }
        ToastCloseButton {
            objectName: "dismissButton"
            Layout.alignment: Qt.AlignTop
            label: "Dismiss"
            onClicked: prompt.dismiss()
        }
    }
    Item { Layout.fillHeight: true }
    RowLayout {
        Layout.fillWidth: true
        ActionButton {
            objectName: "disableButton"
            text: "Don't ask again"
            kind: "quiet"
            buttonHeight: 36
            help: "Turn off Slack call prompts. Turn them back on in the panel."
            onClicked: prompt.disable()
        }
        Item { Layout.fillWidth: true }
        ActionButton {
            objectName: "notNowButton"
            text: "Not now"
            kind: "secondary"
            buttonHeight: 36
            onClicked: prompt.dismiss()
        }
        ActionButton {
            objectName: "startButton"
            text: "Start checking"
            kind: "primary"
            buttonHeight: 36
            onClicked: prompt.start()
        }
    }
}
