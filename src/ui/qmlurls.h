/**
 * @file
 * Where the QML files of the Brindle.UI module live in the resources (Qt 6.4 cannot load a module
 * type by name, so windows are loaded by their resource URL).
 */
#pragma once

#include <QUrl>

namespace brindle::qml {

inline QUrl url(const char *file) {
    return QUrl(QStringLiteral("qrc:/qt/qml/Brindle/UI/qml/") + QLatin1String(file));
}
inline QUrl mainWindow() {
    return url("views/MainWindow.qml");
}
inline QUrl toastWindow() {
    return url("views/ToastWindow.qml");
}
inline QUrl callPromptWindow() {
    return url("views/CallPromptWindow.qml");
}
inline QUrl fileDialog() {
    return url("views/ReferenceFileDialog.qml");
}
inline QUrl folderDialog() {
    return url("views/ReferenceFolderDialog.qml");
}
inline QUrl consentDialog() {
    return url("views/ConsentDialog.qml");
}
/// The import path under which the module's qmldir is found.
inline QString importPath() {
    return QStringLiteral("qrc:/qt/qml");
}

} // namespace brindle::qml
