import QtQuick
import QtQuick.Dialogs

// The folder panel for a reference folder.
FolderDialog {
    property QtObject reply

    onAccepted: reply.answer(selectedFolder)
    onRejected: reply.answer(undefined)
}
