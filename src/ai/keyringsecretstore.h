/**
 * @file
 * The system keyring (the Secret Service, e.g. gnome-keyring, or KWallet) through QtKeychain.
 *
 * QtKeychain answers asynchronously; each call awaits the answer (no nested event loop, so nothing
 * else runs in the middle of a caller's sequence), bounded by a timeout so that a keyring that
 * never answers cannot hang the caller. QtKeychain runs
 * its jobs one after another, so a job that did not answer in time would hold up every later one:
 * until it ends, further calls fail at once instead of waiting again. The store must be used on the
 * thread that owns it, and the scheduler must outlive it.
 */
#pragma once

#include "scheduler.h"
#include "secretstore.h"

#include <QObject>

namespace QKeychain {
class Job;
}

namespace brindle {

class KeyringSecretStore final : public QObject, public SecretStore {
    Q_OBJECT

public:
    static constexpr auto defaultService = "local.Tessaly.credentials";
    /// Reported as the code of a call the keyring did not answer in time (QtKeychain's own codes
    /// are all positive).
    static constexpr int noAnswerCode = -1;

    explicit KeyringSecretStore(Scheduler &scheduler, Duration answerTimeout = seconds(10),
                                QString service = QString::fromLatin1(defaultService),
                                QObject *parent = nullptr);

    QCoro::Task<SecretOutcome> read(QString account) override;
    QCoro::Task<SecretOutcome> write(QString account, QString value) override;
    QCoro::Task<SecretOutcome> remove(QString account) override;

    /// True while a call that timed out is still pending inside QtKeychain.
    bool isStalled() const { return m_unansweredJobs > 0; }

private:
    QCoro::Task<SecretOutcome> run(QKeychain::Job *job);

    Scheduler &m_scheduler;
    Duration m_answerTimeout;
    QString m_service;
    int m_unansweredJobs = 0;
};

} // namespace brindle
