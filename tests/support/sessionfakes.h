/**
 * @file
 * Scripted stand-ins for the session controller's ports: settings with fixed values, a capture
 * whose start and stop complete when the test says so, and a claim checker whose answers arrive
 * after a scripted delay on the virtual scheduler; and a session store built on them.
 */
#pragma once

#include "audiocaptureport.h"
#include "claimcheckerport.h"
#include "scheduler.h"
#include "sessionsettingsport.h"
#include "sessionstore.h"
#include "virtualscheduler.h"

#include <QStringList>

#include <deque>
#include <variant>

namespace brindle::test {

class FakeSettings : public SessionSettingsPort {
public:
    AIConfiguration config{QStringLiteral("selka-key"),
                           QStringLiteral("research-key"),
                           QStringLiteral("selka-1.13"),
                           QStringLiteral("gpt-5.4"),
                           true,
                           ResearchProvider::openAI,
                           SelkaProvider::quorvane};
    int maxChecks = 30;

    AIConfiguration configuration() const override { return config; }
    int maxChecksPerSession() const override { return maxChecks; }
};

/// A capture whose start completes after `startDelay` on the scheduler (or fails with
/// `startFailure`), whose stop takes `stopDelay`, and which records what it was asked to do.
class FakeCapture : public AudioCapturePort {
public:
    explicit FakeCapture(Scheduler &scheduler)
        : m_scheduler(scheduler) {}

    QList<AudioSource> sourceList{allSystemAudioSource()};
    Duration startDelay{0};
    Duration stopDelay{0};
    std::optional<QString> startFailure;
    int starts = 0;
    int stops = 0;
    int resets = 0;

    // A copy: QCoro 0.8 moves out of a named member in co_return.
    QCoro::Task<QList<AudioSource>> availableSources() override {
        co_return QList<AudioSource>(sourceList);
    }
    QCoro::Task<> start(AudioSourceID source, QString sourceName, bool includeMicrophone) override;
    QCoro::Task<> stop() override;
    void resetTranscription() override { ++resets; }
    void openCapturePermissions() override {}

private:
    Scheduler &m_scheduler;
    CancelSource m_current;
};

/// One scripted answer: a result, "not checkable" (nothing), or an error message.
using FakeAnswer = std::variant<ResearchResult, std::monostate, QString>;

class FakeChecker : public ClaimCheckerPort {
public:
    struct Call {
        QString claim;
        QString context;
    };

    explicit FakeChecker(Scheduler &scheduler)
        : m_scheduler(scheduler) {}

    Duration delay{std::chrono::seconds(1)};
    /// Answers handed out in call order; when empty, a "contradicted" result for the claim.
    std::deque<FakeAnswer> answers;
    QList<Call> calls;
    int cancelled = 0;

    QCoro::Task<std::optional<ResearchResult>>
    checkClaim(QString claim, QString context, EvidenceMode mode, ReferenceCorpus documents,
               AIConfiguration configuration, CancelToken token) override;

private:
    Scheduler &m_scheduler;
};

/// A session store over the fakes on a virtual clock, in Public web mode with All system audio
/// selected.
struct SessionRig {
    VirtualScheduler scheduler;
    FakeSettings settings;
    FakeCapture capture{scheduler};
    FakeChecker checker{scheduler};
    SessionStore store{scheduler, settings, capture, checker};

    SessionRig();
    /// Checks still in flight end here, so their coroutine frames are freed before the scheduler.
    ~SessionRig();
    /// Checks `claim` as if typed.
    void type(const QString &claim);
    /// Starts a session; true once it runs.
    bool startSession();
};

} // namespace brindle::test
