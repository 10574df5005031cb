import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// The main window's content: header, the scrolling sections, the footer and the two sheets.
// Reads the session (Session singleton, or a stand-in in tests) and calls its operations.
Rectangle {
    id: view
    objectName: "mainView"

    property var session
    property var presentation
    property var settings
    // The "Start at login" switch (the LoginStart singleton); the menu leaves it out when unset.
    property var loginStart: null
    // Checking recordings; absent where the view is shown without it.
    property var recording: null

    readonly property bool busy: session.isRunning || session.isStarting
    // Start needs a source and no reference load; Stop and Cancel start are always available.
    readonly property bool sessionButtonEnabled: busy
                                                 || (session.hasSelectedSource && !session.isLoadingReferences)
    readonly property bool settingsEnabled: !busy && session.pendingCount === 0

    implicitWidth: 480
    implicitHeight: 740
    color: Theme.surface

    function toggleSession() {
        if (sessionButtonEnabled)
            session.toggleSession()
    }
    function openSettings() {
        if (settingsEnabled)
            settingsSheet.open()
    }
    // Closing the window forgets what was expanded or open.
    function resetViewState() {
        settingsSheet.close()
        manualRow.expanded = false
        transcriptRow.expanded = false
        findingsCard.showHistory = false
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Header
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 18
            Layout.rightMargin: 18
            Layout.topMargin: 14
            Layout.bottomMargin: 14
            spacing: 8

            Rectangle {
                implicitWidth: 46
                implicitHeight: 46
                radius: 12
                color: Theme.withAlpha(Theme.mint, 0.14)
                Accessible.name: "Brindle logo"
                Label {
                    anchors.centerIn: parent
                    text: "\u261D\uFE0F"
                    font.family: Theme.emojiFamily
                    font.pixelSize: 26
                }
            }
            ColumnLayout {
                spacing: 2
                Layout.fillWidth: true
                Layout.leftMargin: 4
                Label {
                    text: "Brindle..."
                    font.pixelSize: 20
                    font.bold: true
                    color: Theme.primaryText
                }
                Label {
                    text: "Close the panel. Corrections keep coming."
                    font.pixelSize: 12
                    color: Theme.secondaryText
                    Layout.fillWidth: true
                    elide: Text.ElideRight
                }
            }
            IconButton {
                objectName: "backgroundButton"
                symbol: "arrow.down.right.and.arrow.up.left"
                label: "Background mode: close the panel and show corrections as toasts"
                onClicked: view.presentation.hidePanel()
            }
            IconButton {
                objectName: "settingsButton"
                symbol: "slider.horizontal.3"
                label: "Model settings and API keys"
                enabled: view.settingsEnabled
                onClicked: view.openSettings()
            }
            IconButton {
                id: menuButton
                objectName: "menuButton"
                symbol: "line.3.horizontal"
                label: "Brindle menu"
                onClicked: appMenu.popup(menuButton, 0, menuButton.height + 4)
            }
        }

        Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: Theme.hairline }

        ScrollView {
            id: scroll
            objectName: "scroll"
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true

            ColumnLayout {
                width: scroll.availableWidth - 32
                x: 16
                spacing: 14

                Item { implicitHeight: 2 }
                CaptureSection {
                    session: view.session
                    sessionButtonEnabled: view.sessionButtonEnabled
                    onToggleSession: view.toggleSession()
                }
                EvidenceSection { session: view.session }
                FindingsCard {
                    id: findingsCard
                    session: view.session
                }
                Loader {
                    Layout.fillWidth: true
                    active: view.recording !== null
                    sourceComponent: RecordingSection {
                        recording: view.recording
                        session: view.session
                    }
                }
                ExpandableRow {
                    id: manualRow
                    objectName: "manualRow"
                    title: "Check a typed claim"
                    symbol: "keyboard"

                    ScrollView {
                        Layout.fillWidth: true
                        Layout.preferredHeight: Math.min(Math.max(manualField.implicitHeight, 2 * 20 + 20), 5 * 20 + 20)
                        background: Rectangle {
                            radius: 11
                            color: Qt.rgba(0, 0, 0, 0.25)
                            border.color: Theme.hairline
                            border.width: 1
                        }
                        TextArea {
                            id: manualField
                            objectName: "manualField"
                            placeholderText: "Enter a factual statement"
                            placeholderTextColor: Theme.tertiaryText
                            text: view.session.manualClaim
                            wrapMode: TextEdit.Wrap
                            font.pixelSize: 14
                            color: Theme.primaryText
                            selectionColor: Theme.withAlpha(Theme.mint, 0.45)
                            padding: 10
                            background: null
                            onTextChanged: if (text !== view.session.manualClaim) view.session.manualClaim = text
                            Keys.onReturnPressed: (event) => {
                                if (event.modifiers & Qt.ShiftModifier) {
                                    event.accepted = false
                                    return
                                }
                                checkButton.submit()
                            }
                            Keys.onEnterPressed: checkButton.submit()
                        }
                    }
                    ActionButton {
                        id: checkButton
                        objectName: "checkButton"
                        text: "Check"
                        kind: "primary"
                        buttonHeight: 40
                        Layout.alignment: Qt.AlignRight
                        enabled: view.session.manualClaim.trim() !== ""
                        function submit() {
                            if (enabled)
                                view.session.checkManualClaim()
                        }
                        onClicked: submit()
                    }
                }
                ExpandableRow {
                    id: transcriptRow
                    objectName: "transcriptRow"
                    title: "Live transcript"
                    symbol: "text.alignleft"
                    TextEdit {
                        Layout.fillWidth: true
                        readOnly: true
                        selectByMouse: true
                        wrapMode: TextEdit.Wrap
                        text: view.session.transcript !== "" ? view.session.transcript
                                                             : "Transcript appears after listening starts."
                        font.pixelSize: 13
                        color: Theme.secondaryText
                        selectionColor: Theme.withAlpha(Theme.mint, 0.45)
                    }
                }
                Item { implicitHeight: 2 }
            }
        }

        Rectangle { Layout.fillWidth: true; implicitHeight: 1; color: Theme.hairline }

        // Footer
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 18
            Layout.rightMargin: 18
            Layout.topMargin: 10
            Layout.bottomMargin: 10
            spacing: 8

            StatusDot { active: view.session.isRunning }
            Label {
                objectName: "statusLabel"
                text: view.session.status
                font.pixelSize: 12
                font.weight: Font.Medium
                color: Theme.primaryText
                elide: Text.ElideRight
                Layout.preferredWidth: implicitWidth
                Layout.minimumWidth: 40
            }
            Label {
                visible: view.session.skippedCount >= 1
                text: view.session.skippedCount + " skipped"
                font.pixelSize: 11
                color: Theme.secondaryText
                ToolTip.text: "Claims skipped by filtering or queue limits"
                ToolTip.visible: skippedHover.hovered
                ToolTip.delay: 600
                HoverHandler { id: skippedHover }
            }
            Item { Layout.fillWidth: true }
            ActionButton {
                objectName: "resetButton"
                text: "Reset context"
                symbol: "arrow.counterclockwise"
                kind: "secondary"
                buttonHeight: 32
                help: "Clear the conversation context after seeking or switching videos"
                onClicked: view.session.clearContext()
            }
        }
    }

    Shortcut {
        sequences: ["Ctrl+Return", "Ctrl+Enter"]
        context: Qt.WindowShortcut
        onActivated: view.toggleSession()
    }

    Menu {
        id: appMenu
        MenuItem { text: "Show panel"; onTriggered: view.presentation.showPanel() }
        MenuItem { text: "Background mode\tCtrl+Shift+B"; onTriggered: view.presentation.hidePanel() }
        MenuItem {
            text: "Preview background toast"
            enabled: !view.busy
            onTriggered: view.presentation.previewBackgroundToast()
        }
        MenuItem {
            text: "Preview Slack call prompt"
            enabled: !view.busy
            onTriggered: view.presentation.previewCallPrompt()
        }
        MenuItem {
            objectName: "loginStartItem"
            text: "Start at login"
            visible: view.loginStart !== null
            height: visible ? implicitHeight : 0
            checkable: true
            checked: view.loginStart !== null && view.loginStart.enabled
            onToggled: view.loginStart.enabled = checked
        }
        MenuSeparator {}
        MenuItem { text: "Quit Brindle\tCtrl+Q"; onTriggered: view.presentation.quit() }
    }

    CorrectionDetailsSheet {
        id: detailsSheet
        objectName: "detailsSheet"
        finding: view.presentation.selectedFinding
        session: view.session
        onDone: view.presentation.clearSelectedFinding()
    }

    SettingsSheet {
        id: settingsSheet
        objectName: "settingsSheet"
        settings: view.settings
    }
}
