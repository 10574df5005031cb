/**
 * @file
 * What the session's reference side reads from and publishes through the controller that owns
 * it: the session state that refuses changes, the published reference state, the conversation
 * context and the saved preferences. Called on the main thread, synchronously.
 */
#pragma once

#include "referencecorpus.h"
#include "sessionpreferences.h"

#include <QUrl>

#include <optional>

namespace brindle {

class SessionReferencesHost {
public:
    virtual ~SessionReferencesHost() = default;

    virtual bool isRunning() const = 0;
    virtual bool isStarting() const = 0;
    virtual bool isLoadingReferences() const = 0;
    virtual void setLoadingReferences(bool loading) = 0;
    virtual void setReferenceFolder(std::optional<QUrl> folder) = 0;
    virtual void setReferenceStatus(const QString &status) = 0;
    /// Publishes the combined references the research reads.
    virtual void setDocuments(ReferenceCorpus documents) = 0;
    virtual void setError(const QString &message) = 0;
    /// Forgets the conversation: pending checks, findings, transcript, error and counters.
    virtual void clearContext() = 0;
    /// The preferences in memory; the reference side maintains `folder` and `files`.
    virtual SessionPreferences &savedSession() = 0;
    /// Writes the preferences unless the controller is restoring or has no store.
    virtual void persistSession() = 0;
};

} // namespace brindle
