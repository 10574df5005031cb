/**
 * @file
 * An in-memory SecretStore for tests: records each call ("write selka", ...) and fails the calls
 * listed in `failures` with the given code.
 */
#pragma once

#include "secretstore.h"

#include <QHash>
#include <QStringList>

namespace brindle::test {

class FakeSecretStore final : public SecretStore {
public:
    QHash<QString, QByteArray> items;
    QStringList calls;
    QHash<QString, int> failures;

    QCoro::Task<SecretOutcome> read(QString account) override {
        if (!log(QStringLiteral("read "), account))
            co_return SecretOutcome::failure(failures.value(calls.last()));
        co_return items.contains(account) ? SecretOutcome::success(items.value(account))
                                          : SecretOutcome::missing();
    }
    QCoro::Task<SecretOutcome> write(QString account, QString value) override {
        if (!log(QStringLiteral("write "), account))
            co_return SecretOutcome::failure(failures.value(calls.last()));
        items.insert(account, value.toUtf8());
        co_return SecretOutcome::success();
    }
    QCoro::Task<SecretOutcome> remove(QString account) override {
        if (!log(QStringLiteral("remove "), account))
            co_return SecretOutcome::failure(failures.value(calls.last()));
        co_return items.remove(account) ? SecretOutcome::success() : SecretOutcome::missing();
    }

private:
    /// Records the call; false when it is to fail.
    bool log(const QString &operation, const QString &account) {
        calls << operation + account;
        return !failures.contains(calls.last());
    }
};

} // namespace brindle::test
