#include "quickreferencedialogs.h"

#include "qmlurls.h"

#include <QCoroSignal>
#include <QQmlComponent>
#include <QQmlEngine>

#include <memory>

namespace brindle {

QuickReferenceDialogs::QuickReferenceDialogs(QQmlEngine &engine)
    : m_engine(engine) {}

QCoro::Task<QVariant> QuickReferenceDialogs::ask(QUrl dialog, QVariantMap properties) {
    auto reply = std::make_unique<DialogReply>();
    properties.insert(QStringLiteral("reply"), QVariant::fromValue<QObject *>(reply.get()));
    properties.insert(QStringLiteral("parentWindow"),
                      QVariant::fromValue<QObject *>(m_parent.data()));
    QQmlComponent component(&m_engine, dialog);
    if (!component.isReady()) {
        qWarning("Dialog could not be built: %s", qPrintable(component.errorString()));
        co_return QVariant();
    }
    std::unique_ptr<QObject> object(component.createWithInitialProperties(properties));
    if (!object) {
        qWarning("Dialog could not be built: %s", qPrintable(component.errorString()));
        co_return QVariant();
    }
    QMetaObject::invokeMethod(object.get(), "open");
    const QVariant result = co_await qCoro(reply.get(), &DialogReply::answered);
    // The answer arrives from inside the dialog's own handler, which is still running: let both
    // objects go once control is back in the event loop.
    object.release()->deleteLater();
    reply.release()->deleteLater();
    co_return result;
}

QCoro::Task<QList<QUrl>> QuickReferenceDialogs::chooseFiles(QString message) {
    QVariantMap properties;
    properties.insert(QStringLiteral("title"), message);
    const QVariant result = co_await ask(qml::fileDialog(), properties);
    QList<QUrl> urls;
    for (const QVariant &url : result.toList())
        urls.append(url.toUrl());
    co_return urls;
}

QCoro::Task<std::optional<QUrl>> QuickReferenceDialogs::chooseFolder(QString message) {
    QVariantMap properties;
    properties.insert(QStringLiteral("title"), message);
    const QVariant result = co_await ask(qml::folderDialog(), properties);
    const QUrl url = result.toUrl();
    co_return url.isValid() && !url.isEmpty() ? std::optional<QUrl>(url) : std::nullopt;
}

QCoro::Task<bool> QuickReferenceDialogs::confirm(ConsentAlert alert) {
    QVariantMap properties;
    properties.insert(QStringLiteral("message"), alert.message);
    properties.insert(QStringLiteral("informativeText"), alert.informativeText);
    properties.insert(QStringLiteral("allowText"), alert.allowButton);
    properties.insert(QStringLiteral("cancelText"), alert.cancelButton);
    const QVariant result = co_await ask(qml::consentDialog(), properties);
    co_return result.toBool();
}

} // namespace brindle
