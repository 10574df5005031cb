import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// The newest finding, the earlier ones on demand, the error line and the empty state.
SectionCard {
    id: card

    property var session
    property alias showHistory: historyRow.expanded
    readonly property var findings: session.findings

    title: "FINDINGS"
    symbol: "checkmark.seal"
    accessory: Rectangle {
        visible: card.session.pendingCount >= 1
        implicitWidth: pendingRow.implicitWidth + 20
        implicitHeight: pendingRow.implicitHeight + 8
        radius: height / 2
        color: Theme.withAlpha(Theme.mint, 0.12)
        RowLayout {
            id: pendingRow
            anchors.centerIn: parent
            spacing: 6
            BusyIndicator {
                implicitWidth: 14
                implicitHeight: 14
                running: parent.visible
                palette.dark: Theme.mint
            }
            Label {
                text: "Checking " + card.session.pendingCount
                font.pixelSize: 12
                font.weight: Font.Medium
                color: Theme.mint
            }
        }
    }

    Rectangle {
        objectName: "errorLine"
        Layout.fillWidth: true
        visible: card.session.error !== ""
        implicitHeight: errorRow.implicitHeight + 24
        radius: 11
        color: Theme.withAlpha(Theme.orange, 0.1)
        RowLayout {
            id: errorRow
            anchors { left: parent.left; right: parent.right; verticalCenter: parent.verticalCenter; margins: 12 }
            spacing: 8
            SymbolIcon { symbol: "exclamationmark.triangle.fill"; size: 13; color: Theme.orange; Layout.alignment: Qt.AlignTop; Layout.topMargin: 1 }
            Label {
                Layout.fillWidth: true
                text: card.session.error
                wrapMode: Text.WordWrap
                font.pixelSize: 13
                color: Theme.orange
            }
        }
    }

    ColumnLayout {
        objectName: "emptyState"
        Layout.fillWidth: true
        visible: card.findings.length === 0
        spacing: 8
        SymbolIcon { symbol: "text.bubble"; size: 26; color: Theme.mint; Layout.alignment: Qt.AlignHCenter; Layout.topMargin: 8 }
        Label {
            Layout.alignment: Qt.AlignHCenter
            text: card.session.isRunning ? "Listening for claims" : "Ready to check claims"
            font.pixelSize: 16
            font.weight: Font.DemiBold
            color: Theme.primaryText
        }
        Label {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: "Choose Start to check factual claims as they are spoken. Findings appear here when evidence is ready."
            font.pixelSize: 13
            color: Theme.secondaryText
        }
        Label {
            Layout.fillWidth: true
            Layout.bottomMargin: 8
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: "AI findings can be wrong. Open the source before relying on a correction."
            font.pixelSize: 11
            color: Theme.tertiaryText
        }
    }

    FindingView {
        objectName: "newestFinding"
        visible: card.findings.length > 0
        finding: card.findings.length > 0 ? card.findings[0] : null
        session: card.session
    }

    ExpandableRow {
        id: historyRow
        objectName: "historyRow"
        visible: card.findings.length >= 2
        title: "Earlier findings (" + (card.findings.length - 1) + ")"
        symbol: "clock.arrow.circlepath"
        Repeater {
            model: historyRow.expanded ? card.findings.slice(1) : []
            FindingView {
                required property var modelData
                finding: modelData
                session: card.session
            }
        }
    }
}
