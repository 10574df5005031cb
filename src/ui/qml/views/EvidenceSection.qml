import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Brindle.UI

// Which evidence research uses, and the reference documents.
SectionCard {
    id: section

    property var session
    readonly property bool busy: session.isRunning || session.isStarting
    // Reference changes wait for the session to end and for a running load to finish.
    readonly property bool referencesEditable: !busy && !session.isLoadingReferences
    readonly property int mode: session.evidenceMode

    title: "EVIDENCE"
    symbol: "books.vertical"

    // Segmented control: one segment per evidence mode, in the order of the mode list.
    Rectangle {
        objectName: "evidencePicker"
        Layout.fillWidth: true
        implicitHeight: 32
        radius: 9
        color: Qt.rgba(1, 1, 1, 0.06)
        border.color: Theme.hairline
        enabled: !section.busy
        opacity: enabled ? 1 : 0.38
        Accessible.name: "Evidence"

        RowLayout {
            anchors.fill: parent
            anchors.margins: 2
            spacing: 2
            Repeater {
                model: section.session.evidenceModeLabels
                AbstractButton {
                    id: segment
                    required property int index
                    required property string modelData
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    hoverEnabled: true
                    focusPolicy: Qt.NoFocus
                    checked: section.mode === index
                    Accessible.name: modelData
                    onClicked: section.session.evidenceMode = index
                    background: Rectangle {
                        radius: 7
                        color: segment.checked ? Qt.rgba(1, 1, 1, 0.16)
                                               : Qt.rgba(1, 1, 1, segment.hovered ? 0.05 : 0)
                    }
                    contentItem: Label {
                        text: segment.modelData
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        font.pixelSize: 12
                        font.weight: segment.checked ? Font.DemiBold : Font.Normal
                        color: segment.checked ? Theme.primaryText : Theme.secondaryText
                    }
                }
            }
        }
    }

    RowLayout {
        Layout.fillWidth: true
        visible: section.mode !== 0
        spacing: 6
        SymbolIcon { symbol: "globe"; size: 11; color: Theme.secondaryText; Layout.alignment: Qt.AlignTop; Layout.topMargin: 2 }
        Label {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            font.pixelSize: 11
            color: Theme.secondaryText
            text: "Spoken claims may be used in public searches. Local reference passages are never sent to web search."
        }
    }

    ColumnLayout {
        objectName: "referencesBlock"
        Layout.fillWidth: true
        visible: section.mode !== 1
        spacing: 8

        Label {
            text: section.session.documentCount + " reference documents"
            font.pixelSize: 13
            font.weight: Font.Medium
            color: Theme.primaryText
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            ActionButton {
                objectName: "addFilesButton"
                Layout.preferredWidth: 1
                text: "Add files"
                symbol: "doc.badge.plus"
                kind: "secondary"
                buttonHeight: 38
                fullWidth: true
                enabled: section.referencesEditable
                onClicked: section.session.chooseReferenceFiles()
            }
            ActionButton {
                objectName: "connectFolderButton"
                Layout.preferredWidth: 1
                text: "Connect folder\u2026"
                symbol: "folder.badge.plus"
                kind: "secondary"
                buttonHeight: 38
                fullWidth: true
                enabled: section.referencesEditable
                onClicked: section.session.connectReferenceFolder()
            }
        }

        // The connected folder.
        Rectangle {
            objectName: "folderRow"
            Layout.fillWidth: true
            visible: section.session.referenceFolderPath !== ""
            implicitHeight: 42
            radius: 11
            color: Qt.rgba(1, 1, 1, 0.04)
            ToolTip.text: section.session.referenceFolderPath
            ToolTip.visible: folderHover.hovered
            ToolTip.delay: 600
            HoverHandler { id: folderHover }
            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 12
                anchors.rightMargin: 6
                spacing: 8
                SymbolIcon { symbol: "folder.fill"; size: 14; color: Theme.mint }
                Label {
                    Layout.fillWidth: true
                    elide: Text.ElideMiddle
                    font.pixelSize: 13
                    color: Theme.primaryText
                    text: section.session.referenceFolderName + "  \u00B7  "
                          + section.session.folderDocumentCount + " files"
                }
                IconButton {
                    objectName: "refreshFolderButton"
                    symbol: "arrow.clockwise"
                    label: "Refresh"
                    size: 30
                    enabled: section.referencesEditable
                    onClicked: section.session.refreshReferenceFolder()
                }
                IconButton {
                    objectName: "disconnectFolderButton"
                    symbol: "eject"
                    label: "Disconnect"
                    size: 30
                    enabled: section.referencesEditable
                    onClicked: section.session.disconnectReferenceFolder()
                }
            }
        }

        // Documents added one by one.
        Repeater {
            model: section.session.individualDocuments
            Rectangle {
                id: documentRow
                required property var modelData
                Layout.fillWidth: true
                implicitHeight: 42
                radius: 11
                color: Qt.rgba(1, 1, 1, 0.04)
                RowLayout {
                    anchors.fill: parent
                    anchors.leftMargin: 12
                    anchors.rightMargin: 6
                    spacing: 8
                    SymbolIcon { symbol: "doc.text"; size: 14; color: Theme.secondaryText }
                    Label {
                        Layout.fillWidth: true
                        elide: Text.ElideMiddle
                        font.pixelSize: 13
                        color: Theme.primaryText
                        text: documentRow.modelData.name
                    }
                    IconButton {
                        objectName: "removeReferenceButton"
                        symbol: "xmark"
                        label: "Remove " + documentRow.modelData.name
                        size: 30
                        enabled: section.referencesEditable
                        onClicked: section.session.removeReference(documentRow.modelData.id)
                    }
                }
            }
        }

        RowLayout {
            visible: section.session.isLoadingReferences
            spacing: 8
            BusyIndicator {
                implicitWidth: 18
                implicitHeight: 18
                running: parent.visible
            }
            Label {
                text: "Reading references\u2026"
                font.pixelSize: 12
                color: Theme.secondaryText
            }
        }
        Label {
            objectName: "referenceStatus"
            Layout.fillWidth: true
            visible: section.session.referenceStatus !== ""
            text: section.session.referenceStatus
            wrapMode: Text.WordWrap
            font.pixelSize: 11
            color: Theme.secondaryText
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 6
            SymbolIcon { symbol: "info.circle"; size: 11; color: Theme.secondaryText; Layout.alignment: Qt.AlignTop; Layout.topMargin: 2 }
            Label {
                Layout.fillWidth: true
                wrapMode: Text.WordWrap
                font.pixelSize: 11
                color: Theme.secondaryText
                text: "Relevant passages are sent to your configured research provider. Folder changes appear after Refresh. Connections are restored when the app opens."
            }
        }
    }
}
