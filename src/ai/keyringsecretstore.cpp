#include "keyringsecretstore.h"

#include <QCoreApplication>
#include <QPointer>
#include <qt6keychain/keychain.h>

#include <coroutine>
#include <memory>
#include <optional>
#include <utility>

namespace brindle {

namespace {

SecretOutcome outcomeOf(QKeychain::Job *job) {
    switch (job->error()) {
    case QKeychain::NoError:
        if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(job))
            return SecretOutcome::success(read->binaryData());
        return SecretOutcome::success();
    case QKeychain::EntryNotFound:
        return SecretOutcome::missing();
    default:
        return SecretOutcome::failure(static_cast<int>(job->error()));
    }
}

/// The one answer a keyring call waits for: the job's outcome, or nothing when time ran out.
struct Answer {
    bool settled = false;
    bool jobEnded = false; ///< the job finished, possibly after time ran out
    std::optional<SecretOutcome> outcome;
    std::coroutine_handle<> waiting;

    void settle(std::optional<SecretOutcome> result) {
        if (std::exchange(settled, true))
            return;
        outcome = std::move(result);
        // Resumed from the event loop, never from inside QtKeychain's signal or the timer.
        if (auto handle = std::exchange(waiting, {}))
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [handle] { handle.resume(); }, Qt::QueuedConnection);
    }
};

// Owns nothing: the awaiting frame keeps the answer alive.
struct AnswerAwaiter {
    Answer &answer;
    bool await_ready() const noexcept { return answer.settled; }
    void await_suspend(std::coroutine_handle<> handle) { answer.waiting = handle; }
    void await_resume() const noexcept {}
};

} // namespace

KeyringSecretStore::KeyringSecretStore(Scheduler &scheduler, Duration answerTimeout,
                                       QString service, QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_answerTimeout(answerTimeout)
    , m_service(std::move(service)) {}

QCoro::Task<SecretOutcome> KeyringSecretStore::read(QString account) {
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(account);
    return run(job);
}

QCoro::Task<SecretOutcome> KeyringSecretStore::write(QString account, QString value) {
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(account);
    // Stored as text (UTF-8), so the item reads the same in other keyring tools.
    job->setTextData(value);
    return run(job);
}

QCoro::Task<SecretOutcome> KeyringSecretStore::remove(QString account) {
    auto *job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(account);
    return run(job);
}

QCoro::Task<SecretOutcome> KeyringSecretStore::run(QKeychain::Job *job) {
    if (isStalled()) {
        delete job; // never started, so nothing refers to it
        co_return SecretOutcome::failure(noAnswerCode);
    }
    // Never keep secrets in a plain file when no keyring is there.
    job->setInsecureFallback(false);
    job->setAutoDelete(true);

    // Whichever comes first, the answer or the timeout, settles the wait; the other is ignored.
    const auto answer = std::make_shared<Answer>();
    QPointer<QKeychain::Job> running(job);
    connect(job, &QKeychain::Job::finished, this, [answer](QKeychain::Job *finished) {
        answer->jobEnded = true;
        answer->settle(outcomeOf(finished));
    });
    const auto timeout =
        m_scheduler.callAfter(m_answerTimeout, [answer] { answer->settle(std::nullopt); });
    job->start();
    QPointer<KeyringSecretStore> self(this);
    // A named awaiter: g++ 12 destroys a temporary in a co_await expression twice, which released
    // the answer's reference twice when the awaiter held a shared_ptr.
    AnswerAwaiter answered{*answer};
    co_await answered;
    if (answer->outcome)
        co_return *answer->outcome;

    // No answer in time. The job stays queued in QtKeychain and deletes itself when it ends (unless
    // it ended while this resumption was on its way).
    if (self && running && !answer->jobEnded) {
        ++m_unansweredJobs;
        connect(running, &QKeychain::Job::finished, this, [this] { --m_unansweredJobs; });
    }
    co_return SecretOutcome::failure(noAnswerCode);
}

} // namespace brindle
