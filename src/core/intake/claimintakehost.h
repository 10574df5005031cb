/**
 * @file
 * What ClaimIntake needs from the session controller that owns it: the session's state, the
 * settings' check limit, the published texts it sets, and the pipeline and count refresh it
 * triggers. Every call is made on the main thread, synchronously, from inside ClaimIntake.
 */
#pragma once

#include <QList>
#include <QString>
#include <QUuid>

#include <cstdint>

namespace brindle {

class ClaimIntakeHost {
public:
    virtual ~ClaimIntakeHost() = default;

    virtual bool isRunning() const = 0;
    virtual bool isStarting() const = 0;
    /// The settings' current per-session check limit, read at the moment of each candidate.
    virtual std::int64_t maxChecksPerSession() const = 0;

    virtual void setTranscript(const QString &transcript) = 0;
    virtual void setStatus(const QString &status) = 0;
    virtual void setError(const QString &message) = 0;

    /// Dispatches queued claims as far as the pipeline's limits allow.
    virtual void drainQueue() = 0;
    /// Republishes the pending and skipped counts.
    virtual void refreshCounts() = 0;
    /// Published findings that a transcript revision made stale and removed.
    virtual void reportWithdrawnFindings(const QList<QUuid> &) {}
};

} // namespace brindle
