/**
 * @file
 * The reference panels and the consent alert as QML dialogs: a file dialog for Markdown and text
 * files, a folder dialog and a two-button alert. Each call builds its dialog, waits for the answer
 * and throws the dialog away. The engine must outlive it.
 */
#pragma once

#include "referencedialogsport.h"

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QWindow>

class QQmlEngine;

namespace brindle {

/// Handed to a dialog so it can report its answer once; C++ waits for answered().
class DialogReply : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    /// Called by the dialog: a list of URLs, one URL, a boolean, or undefined when cancelled.
    Q_INVOKABLE void answer(const QVariant &result) { Q_EMIT answered(result); }

Q_SIGNALS:
    void answered(QVariant result);
};

class QuickReferenceDialogs : public ReferenceDialogsPort {
public:
    explicit QuickReferenceDialogs(QQmlEngine &engine);

    /// The window the dialogs belong to (the main window).
    void setParentWindow(QWindow *window) { m_parent = window; }

    QCoro::Task<QList<QUrl>> chooseFiles(QString message) override;
    QCoro::Task<std::optional<QUrl>> chooseFolder(QString message) override;
    QCoro::Task<bool> confirm(ConsentAlert alert) override;

private:
    QCoro::Task<QVariant> ask(QUrl dialog, QVariantMap properties);

    QQmlEngine &m_engine;
    QPointer<QWindow> m_parent;
};

} // namespace brindle
