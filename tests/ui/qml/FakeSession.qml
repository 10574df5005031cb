import QtQuick

// Stands in for the Session singleton: the same properties, and a count of session toggles.
QtObject {
    property string status: "Ready"
    property bool isRunning: false
    property bool isStarting: false
    property bool isDemo: false
    property string transcript: ""
    property string error: ""
    property int pendingCount: 0
    property int skippedCount: 0
    property string manualClaim: ""
    property bool includeMicrophone: false
    property bool promptOnSlackCalls: true
    property var sourceNames: ["All system audio", "Firefox"]
    property int selectedSourceIndex: 0
    property bool hasSelectedSource: selectedSourceIndex >= 0
    property bool selectionIsAllSystemAudio: selectedSourceIndex === 0
    property int evidenceMode: 0
    property var evidenceModeLabels: ["Documents only", "Public web", "References + web"]
    property bool isLoadingReferences: false
    property int documentCount: 4
    property string referenceFolderPath: "/home/user/References"
    property string referenceFolderName: "References"
    property int folderDocumentCount: 3
    property var individualDocuments: [{ id: "5d1e0f8e-0000-4000-8000-000000000001", name: "notes.md" }]
    property string referenceStatus: "Loaded 4 references"
    property var findings: []

    property int toggles: 0
    function toggleSession() { toggles++ }
}
