/**
 * @file
 * Walks the running application through its views without a user: the self-test loads every view
 * and reports QML errors; the screenshot tour also drives the session into typical states and
 * saves a PNG of each view. Runs on the offscreen platform against the real controller, fed by
 * TourChecker instead of the cloud models. Everything it is given must outlive it.
 */
#pragma once

#include "claimcheckerport.h"

#include <QCoroTask>
#include <QDir>
#include <QStringList>

#include <functional>

class QQmlEngine;
class QQuickItem;
class QQuickWindow;

namespace brindle {

class AppPresentation;
class AppSettings;
class Scheduler;
class SessionStore;

/// Answers claims from a fixed table of sample results; any other claim fails like a provider
/// that refused the request, so the error line can be shown too.
class TourChecker : public ClaimCheckerPort {
public:
    QCoro::Task<std::optional<ResearchResult>>
    checkClaim(QString claim, QString context, EvidenceMode mode, ReferenceCorpus documents,
               AIConfiguration configuration, CancelToken token) override;

    /// The claims that have a sample result, in the order the tour types them.
    static QStringList sampleClaims();
    static QString failingClaim();
};

class ScreenshotTour {
public:
    struct Parts {
        QQmlEngine &engine;
        QQuickWindow &mainWindow;
        SessionStore &store;
        AppPresentation &presentation;
        AppSettings &settings;
        Scheduler &scheduler;
    };

    explicit ScreenshotTour(Parts parts);

    /// The Slack call prompt joins the tour here once it exists: show it and return its window.
    void setCallPromptWindow(std::function<QQuickWindow *()> showPrompt) {
        m_showCallPrompt = std::move(showPrompt);
    }

    /// Loads every view once; the exit code is 0 when nothing failed to load.
    QCoro::Task<int> selfTest();
    /// Saves the PNGs into `directory` (created when missing); 0 on success.
    QCoro::Task<int> capture(QString directory);

private:
    QCoro::Task<> settle();
    QCoro::Task<> waitFor(std::function<bool()> condition);
    QCoro::Task<> typeClaims();
    QCoro::Task<> showDemo();
    void useSampleKeys();
    QQuickItem *mainView() const;
    QQuickItem *find(const char *objectName) const;
    bool save(QQuickWindow &window, const QString &name);
    bool loadStandaloneViews();

    Parts m_parts;
    QDir m_directory;
    QStringList m_failures;
    std::function<QQuickWindow *()> m_showCallPrompt;
};

} // namespace brindle
