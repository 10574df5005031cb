#include "keyringsecretstore.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

#include <optional>

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

} // namespace

KeyringSecretStore::KeyringSecretStore(Scheduler &scheduler, Duration answerTimeout,
                                       QString service, QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_answerTimeout(answerTimeout)
    , m_service(std::move(service)) {}

SecretOutcome KeyringSecretStore::read(const QString &account) {
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(account);
    return run(job);
}

SecretOutcome KeyringSecretStore::write(const QString &account, const QString &value) {
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(account);
    // Stored as text (UTF-8), so the item reads the same in other keyring tools.
    job->setTextData(value);
    return run(job);
}

SecretOutcome KeyringSecretStore::remove(const QString &account) {
    auto *job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(account);
    return run(job);
}

SecretOutcome KeyringSecretStore::run(QKeychain::Job *job) {
    if (isStalled()) {
        delete job; // never started, so nothing refers to it
        return SecretOutcome::failure(noAnswerCode);
    }
    // Never keep secrets in a plain file when no keyring is there.
    job->setInsecureFallback(false);
    job->setAutoDelete(true);

    std::optional<SecretOutcome> outcome;
    QEventLoop loop;
    // The loop is the connection's context: an answer arriving after we gave up reaches nobody.
    connect(job, &QKeychain::Job::finished, &loop, [&outcome, &loop](QKeychain::Job *finished) {
        outcome = outcomeOf(finished);
        loop.quit();
    });
    const auto timeout = m_scheduler.callAfter(m_answerTimeout, [&loop] { loop.quit(); });
    job->start();
    if (!outcome)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (outcome)
        return *outcome;

    // No answer in time. The job stays queued in QtKeychain and deletes itself when it ends.
    ++m_unansweredJobs;
    connect(job, &QKeychain::Job::finished, this, [this] { --m_unansweredJobs; });
    return SecretOutcome::failure(noAnswerCode);
}

} // namespace brindle
