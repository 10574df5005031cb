/**
 * @file
 * Takes claims from the queue and runs at most two checks at a time. Each check gets the claims of
 * the last minute as context and a budget of 30 seconds counted from when the claim was heard; its
 * outcome becomes a finding at the front of the list, a set-aside count, or an error message.
 *
 * Works on the ClaimBook that the claim intake owns; the session controller owns both and this
 * object, and implements ClaimPipelineHost. A check that resumes after the pipeline is gone, after
 * its cancellation, or under another generation leaves everything alone. Main thread only.
 */
#pragma once

#include "claimbook.h"
#include "claimcheckerport.h"
#include "claimpipelinehost.h"
#include "scheduler.h"
#include "sessionsettingsport.h"

#include <QObject>

namespace brindle {

class ClaimPipeline : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype maxActiveChecks = 2;
    static constexpr double contextWindowSeconds = 60.0;
    static constexpr qsizetype contextLength = 6000;
    static constexpr double budgetSeconds = 30.0;
    static constexpr double shortestBudgetSeconds = 0.01;
    static constexpr qsizetype findingsKept = 30;

    static QString timeoutMessage() {
        return QStringLiteral("Research timed out. No correction was issued.");
    }

    ClaimPipeline(Scheduler &scheduler, SessionSettingsPort &settings, ClaimCheckerPort &checker,
                  ClaimBook &book, ClaimPipelineHost &host, QObject *parent = nullptr);

    /// Dispatches as many queued jobs as the limits allow.
    void drainQueue();

private:
    QCoro::Task<> runCheck(ClaimJob job, QString context, EvidenceMode mode,
                           ReferenceCorpus documents, AIConfiguration configuration,
                           QUuid generation, CancelToken token);
    QString takeContext(const QDateTime &now);
    void finish(const QUuid &jobID, const QUuid &generation);

    Scheduler &m_scheduler;
    SessionSettingsPort &m_settings;
    ClaimCheckerPort &m_checker;
    ClaimBook &m_book;
    ClaimPipelineHost &m_host;
};

} // namespace brindle
