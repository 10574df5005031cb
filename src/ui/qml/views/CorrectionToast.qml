import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// The content of a correction toast: eyebrow, verdict, quote, explanation, sources and "Open details".
ToastChrome {
    id: toast

    property var finding
    signal open()
    signal dismiss()

    readonly property string verdict: finding ? finding.verdict : "unresolved"

    width: 390
    height: 250
    accent: Theme.verdictColor(verdict)

    RowLayout {
        Layout.fillWidth: true
        Label {
            Layout.fillWidth: true
            textFormat: Text.RichText
            text: toast.finding ? Theme.emojiText(toast.finding.eyebrow) : ""
            elide: Text.ElideRight
            font.pixelSize: 14
            font.weight: Font.DemiBold
            color: toast.accent
        }
        ToastCloseButton {
            objectName: "dismissButton"
            label: "Dismiss correction"
            onClicked: toast.dismiss()
        }
    }
    RowLayout {
        Layout.fillWidth: true
        VerdictBadge { verdict: toast.verdict }
        Item { Layout.fillWidth: true }
        Label {
            visible: toast.finding ? toast.finding.isDemo : false
            text: "DEMO"
            font.pixelSize: 10
            font.bold: true
            color: Theme.mint
        }
    }
    Label {
        Layout.fillWidth: true
        text: toast.finding ? "\"" + toast.finding.quote + "\"" : ""
        wrapMode: Text.WordWrap
        maximumLineCount: 2
        elide: Text.ElideRight
        font.pixelSize: 14
        font.weight: Font.Medium
        color: Theme.primaryText
    }
    Label {
        Layout.fillWidth: true
        text: toast.finding ? toast.finding.explanation : ""
        wrapMode: Text.WordWrap
        objectName: "toastExplanation"
        maximumLineCount: 3
        elide: Text.ElideRight
        font.pointSize: Theme.pointsForPixels(12.5, Screen.logicalPixelDensity)
        color: Theme.secondaryText
    }
    Item { Layout.fillHeight: true }
    RowLayout {
        Layout.fillWidth: true
        SymbolIcon { symbol: "doc.text"; size: 12; color: Theme.secondaryText }
        Label {
            text: toast.finding ? toast.finding.sourceCountText : ""
            font.pixelSize: 12
            color: Theme.secondaryText
            Layout.fillWidth: true
        }
        ActionButton {
            objectName: "openDetailsButton"
            text: "Open details"
            kind: "primary"
            buttonHeight: 36
            help: "Show the correction and its sources in Brindle..."
            onClicked: toast.open()
        }
    }
}
