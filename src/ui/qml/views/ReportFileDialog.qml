import QtQuick
import QtQuick.Dialogs

// Where to save a report. The chosen file type supplies the suffix when the name has none; the
// suffix picks the format (HTML page, Markdown or JSON).
FileDialog {
    title: "Export report"
    fileMode: FileDialog.SaveFile
    nameFilters: ["Web page (*.html)", "Markdown (*.md)", "JSON (*.json)"]
    defaultSuffix: ["html", "md", "json"][Math.max(0, selectedNameFilter.index)]

    // Opens with `name` proposed in the folder shown last.
    function openFor(name) {
        const folder = currentFolder.toString()
        selectedFile = folder === "" ? name : folder + "/" + name
        open()
    }
}
