import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// Past sessions over the main window: the list, newest first, and one session's findings in the
// same rows as the live list, with export and delete. Reads the History controller.
Popup {
    id: sheet

    property var history
    property var session
    readonly property bool showingSession: history && history.selected.id >= 0

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(560, parent ? parent.width - 16 : 560)
    height: Math.min(700, parent ? parent.height - 16 : 700)
    modal: true
    focus: true
    padding: 22
    closePolicy: Popup.CloseOnEscape

    onAboutToShow: history.active = true
    onClosed: history.active = false

    background: Rectangle {
        radius: 16
        color: Theme.windowBackground
        border.color: Theme.hairline
    }
    Overlay.modal: Rectangle { color: Qt.rgba(0, 0, 0, 0.45) }

    contentItem: ColumnLayout {
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            ActionButton {
                objectName: "backButton"
                visible: sheet.showingSession
                text: "\u2039 Sessions"
                kind: "quiet"
                buttonHeight: 32
                onClicked: sheet.history.closeSession()
            }
            Label {
                Layout.fillWidth: true
                text: sheet.showingSession ? sheet.history.selected.title : "History"
                elide: Text.ElideRight
                font.pixelSize: 18
                font.weight: Font.DemiBold
                color: Theme.primaryText
            }
            ActionButton {
                objectName: "historyDoneButton"
                text: "Done"
                kind: "primary"
                buttonHeight: 32
                onClicked: sheet.close()
            }
        }

        Label {
            objectName: "historyNotice"
            Layout.fillWidth: true
            visible: text !== ""
            text: sheet.history ? sheet.history.notice : ""
            wrapMode: Text.WordWrap
            font.pixelSize: 12
            color: Theme.orange
        }

        // The list of sessions.
        ListView {
            id: list
            objectName: "sessionList"
            visible: !sheet.showingSession
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            spacing: 6
            model: sheet.history ? sheet.history.sessions : []
            ScrollBar.vertical: ScrollBar {}
            delegate: AbstractButton {
                id: row
                required property var modelData
                width: list.width
                leftPadding: 12
                rightPadding: 10
                topPadding: 10
                bottomPadding: 10
                hoverEnabled: true
                Accessible.name: modelData.title
                onClicked: sheet.history.open(modelData.id)
                background: Rectangle {
                    radius: 11
                    color: Qt.rgba(1, 1, 1, row.hovered ? 0.07 : 0.04)
                }
                contentItem: RowLayout {
                    spacing: 10
                    SymbolIcon {
                        symbol: row.modelData.isRecording ? "play.rectangle" : "waveform"
                        size: 16
                        color: Theme.mint
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 2
                        Label {
                            Layout.fillWidth: true
                            text: row.modelData.title
                            elide: Text.ElideRight
                            font.pixelSize: 14
                            font.weight: Font.Medium
                            color: Theme.primaryText
                        }
                        Label {
                            Layout.fillWidth: true
                            text: row.modelData.dateText + "  \u00B7  " + row.modelData.countsText
                            elide: Text.ElideRight
                            font.pixelSize: 12
                            color: Theme.secondaryText
                        }
                    }
                    SymbolIcon { symbol: "chevron.right"; size: 11; color: Theme.tertiaryText }
                }
            }
        }
        ColumnLayout {
            objectName: "historyEmpty"
            visible: !sheet.showingSession && !!sheet.history && sheet.history.isLoaded
                     && sheet.history.sessions.length === 0
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 8
            SymbolIcon { symbol: "clock.arrow.circlepath"; size: 26; color: Theme.mint; Layout.alignment: Qt.AlignHCenter }
            Label {
                Layout.alignment: Qt.AlignHCenter
                text: "No sessions kept yet"
                font.pixelSize: 16
                font.weight: Font.DemiBold
                color: Theme.primaryText
            }
            Label {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: sheet.history && sheet.history.keepHistory
                      ? "Sessions you check are kept here. Transcripts and findings stay on this device."
                      : "Session history is off. Turn on Keep session history in Model settings."
                font.pixelSize: 13
                color: Theme.secondaryText
            }
            Item { Layout.fillHeight: true }
        }
        RowLayout {
            visible: !sheet.showingSession
            Layout.fillWidth: true
            Item { Layout.fillWidth: true }
            ActionButton {
                objectName: "deleteAllButton"
                text: "Delete all\u2026"
                kind: "danger"
                buttonHeight: 32
                enabled: !!sheet.history && sheet.history.sessions.length > 0
                onClicked: confirmDeleteAll.open()
            }
        }

        // One session.
        ScrollView {
            id: detailScroll
            objectName: "sessionDetail"
            visible: sheet.showingSession
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true
            ColumnLayout {
                width: detailScroll.availableWidth
                spacing: 10
                Label {
                    Layout.fillWidth: true
                    wrapMode: Text.WordWrap
                    text: sheet.showingSession
                          ? sheet.history.selected.periodText + "\n" + sheet.history.selected.evidenceText
                            + "  \u00B7  " + sheet.history.selected.countsText
                          : ""
                    font.pixelSize: 12
                    color: Theme.secondaryText
                }
                Repeater {
                    model: sheet.showingSession ? sheet.history.selectedFindings : []
                    FindingView {
                        required property var modelData
                        finding: modelData
                        session: sheet.session
                    }
                }
                Label {
                    visible: sheet.showingSession && sheet.history.selectedFindings.length === 0
                    text: "No findings were kept for this session."
                    font.pixelSize: 13
                    color: Theme.secondaryText
                }
                ExpandableRow {
                    id: transcriptRow
                    title: "Transcript"
                    symbol: "text.alignleft"
                    TextEdit {
                        Layout.fillWidth: true
                        readOnly: true
                        selectByMouse: true
                        wrapMode: TextEdit.Wrap
                        text: sheet.history && sheet.history.selectedTranscript !== ""
                              ? sheet.history.selectedTranscript : "No transcript was kept."
                        font.pixelSize: 13
                        color: Theme.secondaryText
                        selectionColor: Theme.withAlpha(Theme.mint, 0.45)
                    }
                }
            }
        }
        Label {
            objectName: "exportStatus"
            visible: sheet.showingSession && text !== ""
            Layout.fillWidth: true
            text: sheet.history ? sheet.history.exportStatus : ""
            elide: Text.ElideMiddle
            font.pixelSize: 12
            color: Theme.secondaryText
        }
        RowLayout {
            visible: sheet.showingSession
            Layout.fillWidth: true
            spacing: 10
            CheckBox {
                id: includeTranscript
                // The dark window: a faint box, a mint tick, grey words.
                palette { windowText: Theme.secondaryText; base: Theme.faintFill; mid: Theme.hairline; text: Theme.mint }
                objectName: "includeTranscript"
                text: "Include the transcript"
                font.pixelSize: 12
            }
            Item { Layout.fillWidth: true }
            ActionButton {
                objectName: "deleteSessionButton"
                text: "Delete\u2026"
                kind: "danger"
                buttonHeight: 34
                onClicked: confirmDelete.open()
            }
            ActionButton {
                objectName: "exportButton"
                text: "Export report\u2026"
                kind: "primary"
                buttonHeight: 34
                onClicked: exportDialog.openFor(sheet.history.suggestedFileName("html"))
            }
        }
    }

    ReportFileDialog {
        id: exportDialog
        onAccepted: sheet.history.exportReport(selectedFile, includeTranscript.checked)
    }

    ConfirmDialog {
        id: confirmDelete
        objectName: "confirmDelete"
        title: "Delete this session?"
        message: "Its findings and transcript are removed from this device."
        confirmText: "Delete"
        onConfirmed: sheet.history.deleteSession(sheet.history.selected.id)
    }
    ConfirmDialog {
        id: confirmDeleteAll
        objectName: "confirmDeleteAll"
        title: "Delete every kept session?"
        message: "All kept findings and transcripts are removed from this device."
        confirmText: "Delete all"
        onConfirmed: sheet.history.deleteAll()
    }
}
