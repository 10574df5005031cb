import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// One finding: verdict, quote, explanation, its sources and their excerpts.
Rectangle {
    id: card

    property var finding
    property var session
    readonly property string verdict: finding ? finding.verdict : "unresolved"
    readonly property color tint: Theme.verdictColor(verdict)
    property alias expanded: excerpts.expanded

    Layout.fillWidth: true
    implicitHeight: column.implicitHeight + 28
    radius: 14
    color: Qt.rgba(1, 1, 1, 0.03)
    border.color: Qt.rgba(1, 1, 1, 0.08)
    border.width: 1

    ColumnLayout {
        id: column
        anchors { left: parent.left; right: parent.right; top: parent.top; margins: 14 }
        spacing: 8

        Flow {
            Layout.fillWidth: true
            spacing: 8
            Label {
                visible: card.verdict === "contradicted" || card.verdict === "context"
                textFormat: Text.RichText
                text: card.finding ? Theme.emojiText(card.finding.eyebrow) : ""
                font.pixelSize: 14
                font.weight: Font.DemiBold
                color: card.verdict === "context" ? Theme.yellow : Theme.orange
                height: badge.height
                verticalAlignment: Text.AlignVCenter
            }
            VerdictBadge { id: badge; verdict: card.verdict }
            Rectangle {
                visible: card.finding ? card.finding.isDemo : false
                width: demoLabel.implicitWidth + 16
                height: badge.height
                radius: height / 2
                color: "transparent"
                border.color: Theme.withAlpha(Theme.mint, 0.5)
                Label {
                    id: demoLabel
                    anchors.centerIn: parent
                    text: "DEMO"
                    font.pixelSize: 10
                    font.bold: true
                    font.letterSpacing: 0.5
                    color: Theme.mint
                }
            }
            Label {
                objectName: "elapsedTime"
                // A recording's finding shows where in the recording its claim was heard.
                text: !card.finding ? "" : card.finding.position ? "at " + card.finding.position
                                                                 : card.finding.elapsedText
                font.pixelSize: 12
                font.family: Theme.monospaceFamily // digits of one width, so the time does not jitter
                color: Theme.secondaryText
                height: badge.height
                verticalAlignment: Text.AlignVCenter
                ToolTip.text: "Time since transcript update; excludes earlier audio/transcription delay."
                ToolTip.visible: elapsedHover.hovered
                ToolTip.delay: 600
                HoverHandler { id: elapsedHover }
            }
        }

        TextEdit {
            Layout.fillWidth: true
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.Wrap
            text: card.finding ? "\"" + card.finding.quote + "\"" : ""
            font.pixelSize: 16
            font.weight: Font.Medium
            color: Theme.primaryText
            selectionColor: Theme.withAlpha(Theme.mint, 0.45)
        }
        TextEdit {
            Layout.fillWidth: true
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.Wrap
            text: card.finding ? card.finding.explanation : ""
            font.pixelSize: 14
            color: Theme.secondaryText
            selectionColor: Theme.withAlpha(Theme.mint, 0.45)
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 6
            visible: !!card.finding && card.finding.sources.length > 0
            Repeater {
                model: card.finding ? card.finding.sources : []
                AbstractButton {
                    id: sourceRow
                    required property var modelData
                    readonly property bool acts: modelData.kind !== "plain"
                    Layout.fillWidth: true
                    implicitHeight: 22
                    hoverEnabled: true
                    enabled: true
                    focusPolicy: Qt.NoFocus
                    Accessible.name: modelData.title
                    ToolTip.text: modelData.kind === "web" ? modelData.url
                                                          : "Show reference document in the file manager"
                    ToolTip.visible: acts && hovered
                    ToolTip.delay: 600
                    onClicked: if (acts) card.session.openSource(modelData.url)
                    HoverHandler { cursorShape: sourceRow.acts ? Qt.PointingHandCursor : Qt.ArrowCursor }
                    contentItem: RowLayout {
                        spacing: 6
                        SymbolIcon {
                            symbol: sourceRow.modelData.kind === "plain" ? "doc.text" : (sourceRow.modelData.kind === "file" ? "doc.text" : "arrow.up.right.square")
                            size: 12
                            color: sourceRow.acts ? Theme.mint : Theme.secondaryText
                        }
                        Label {
                            Layout.fillWidth: true
                            text: sourceRow.modelData.title
                            elide: Text.ElideRight
                            font.pixelSize: 13
                            font.underline: sourceRow.acts && sourceRow.hovered
                            color: sourceRow.acts ? Theme.mint : Theme.secondaryText
                        }
                    }
                    background: null
                }
            }
        }

        ExpandableRow {
            id: excerpts
            title: "Evidence excerpts"
            Repeater {
                model: excerpts.expanded && card.finding ? card.finding.sources : []
                Item {
                    required property var modelData
                    Layout.fillWidth: true
                    implicitHeight: passage.implicitHeight
                    Rectangle {
                        width: 3
                        height: parent.height
                        radius: 1.5
                        color: card.tint
                    }
                    TextEdit {
                        id: passage
                        x: 10
                        width: parent.width - 10
                        readOnly: true
                        selectByMouse: true
                        wrapMode: TextEdit.Wrap
                        text: modelData.passage
                        font.pixelSize: 12
                        color: Theme.secondaryText
                        selectionColor: Theme.withAlpha(Theme.mint, 0.45)
                    }
                }
            }
        }

        Label {
            text: card.finding ? card.finding.timeText : ""
            font.pixelSize: 11
            color: Theme.tertiaryText
        }
    }
}
