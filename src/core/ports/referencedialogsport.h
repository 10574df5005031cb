/**
 * @file
 * The dialogs the controller's reference side needs: a file panel, a folder panel and the consent
 * alert. The user interface provides the real ones; tests script them. Called on the main thread;
 * each returns when the user has answered.
 */
#pragma once

#include <QCoroTask>
#include <QList>
#include <QUrl>

#include <optional>

namespace brindle {

/// The consent alert's texts and its two buttons, the first of which allows.
struct ConsentAlert {
    QString message;
    QString informativeText;
    QString allowButton;
    QString cancelButton;
};

class ReferenceDialogsPort {
public:
    virtual ~ReferenceDialogsPort() = default;

    /// Open panel for Markdown and text files, several at once. Empty when cancelled.
    virtual QCoro::Task<QList<QUrl>> chooseFiles(QString message) = 0;
    /// Open panel for one directory. Nothing when cancelled.
    virtual QCoro::Task<std::optional<QUrl>> chooseFolder(QString message) = 0;
    /// A modal two-button alert; true only when the allow button was pressed.
    virtual QCoro::Task<bool> confirm(ConsentAlert alert) = 0;
};

} // namespace brindle
