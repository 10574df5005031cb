import QtQuick
import QtQuick.Dialogs

// The file panel for reference documents: Markdown and text, several at once.
FileDialog {
    property QtObject reply

    fileMode: FileDialog.OpenFiles
    nameFilters: ["Markdown and text files (*.md *.markdown *.txt *.text)"]
    onAccepted: reply.answer(selectedFiles)
    onRejected: reply.answer([])
}
