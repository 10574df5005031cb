import QtQuick

QtObject {
    property var selectedFinding: null
    function hidePanel() {}
    function showPanel() {}
    function previewBackgroundToast() {}
    function previewCallPrompt() {}
    function clearSelectedFinding() { selectedFinding = null }
}
