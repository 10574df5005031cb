#include "symbolicons.h"

#include <QHash>
#include <QStandardPaths>

namespace brindle {

QString themeIconName(const QString &symbol) {
    static const QHash<QString, QString> names{
        {QStringLiteral("arrow.down.right.and.arrow.up.left"),
         QStringLiteral("view-restore-symbolic")},
        {QStringLiteral("slider.horizontal.3"), QStringLiteral("preferences-system-symbolic")},
        {QStringLiteral("line.3.horizontal"), QStringLiteral("open-menu-symbolic")},
        {QStringLiteral("waveform"), QStringLiteral("audio-volume-high-symbolic")},
        {QStringLiteral("lock.shield"), QStringLiteral("security-high-symbolic")},
        {QStringLiteral("arrow.clockwise"), QStringLiteral("view-refresh-symbolic")},
        {QStringLiteral("mic"), QStringLiteral("audio-input-microphone-symbolic")},
        {QStringLiteral("phone.bubble"), QStringLiteral("call-start-symbolic")},
        {QStringLiteral("phone.bubble.fill"), QStringLiteral("call-start-symbolic")},
        {QStringLiteral("stop.fill"), QStringLiteral("media-playback-stop-symbolic")},
        {QStringLiteral("play.fill"), QStringLiteral("media-playback-start-symbolic")},
        {QStringLiteral("sparkles"), QStringLiteral("starred-symbolic")},
        {QStringLiteral("play.rectangle"), QStringLiteral("video-x-generic-symbolic")},
        {QStringLiteral("books.vertical"), QStringLiteral("accessories-dictionary-symbolic")},
        {QStringLiteral("globe"), QStringLiteral("web-browser-symbolic")},
        {QStringLiteral("doc.badge.plus"), QStringLiteral("document-new-symbolic")},
        {QStringLiteral("folder.badge.plus"), QStringLiteral("folder-new-symbolic")},
        {QStringLiteral("folder.fill"), QStringLiteral("folder-symbolic")},
        {QStringLiteral("eject"), QStringLiteral("media-eject-symbolic")},
        {QStringLiteral("doc.text"), QStringLiteral("text-x-generic-symbolic")},
        {QStringLiteral("xmark"), QStringLiteral("window-close-symbolic")},
        {QStringLiteral("info.circle"), QStringLiteral("dialog-information-symbolic")},
        {QStringLiteral("checkmark.seal"), QStringLiteral("emblem-ok-symbolic")},
        {QStringLiteral("exclamationmark.triangle"), QStringLiteral("dialog-warning-symbolic")},
        {QStringLiteral("exclamationmark.triangle.fill"),
         QStringLiteral("dialog-warning-symbolic")},
        {QStringLiteral("text.bubble"), QStringLiteral("chat-message-new-symbolic")},
        {QStringLiteral("clock.arrow.circlepath"), QStringLiteral("document-open-recent-symbolic")},
        {QStringLiteral("keyboard"), QStringLiteral("input-keyboard-symbolic")},
        {QStringLiteral("text.alignleft"), QStringLiteral("format-justify-left-symbolic")},
        {QStringLiteral("chevron.right"), QStringLiteral("go-next-symbolic")},
        {QStringLiteral("arrow.up.right.square"), QStringLiteral("send-to-symbolic")},
        {QStringLiteral("arrow.counterclockwise"), QStringLiteral("edit-undo-symbolic")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("object-select-symbolic")},
        {QStringLiteral("exclamationmark.bubble.fill"), QStringLiteral("dialog-warning-symbolic")},
        {QStringLiteral("text.bubble.fill"), QStringLiteral("dialog-information-symbolic")},
        {QStringLiteral("questionmark.circle.fill"), QStringLiteral("dialog-question-symbolic")},
        {QStringLiteral("power"), QStringLiteral("application-exit-symbolic")},
    };
    return names.value(symbol);
}

QIcon symbolIcon(const QString &symbol) {
    const QString name = themeIconName(symbol);
    return name.isEmpty() ? QIcon() : QIcon::fromTheme(name);
}

void installIconThemeFallback() {
    // Desktops without a platform theme (and the offscreen platform) name no icon theme at all
    // and search only the resources.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString &dir :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                   QStandardPaths::LocateDirectory)) {
        if (!paths.contains(dir))
            paths.append(dir);
    }
    QIcon::setThemeSearchPaths(paths);
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
}

} // namespace brindle
