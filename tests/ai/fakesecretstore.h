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

    SecretOutcome read(const QString &account) override {
        if (!log(QStringLiteral("read "), account))
            return SecretOutcome::failure(failures.value(calls.last()));
        return items.contains(account) ? SecretOutcome::success(items.value(account))
                                       : SecretOutcome::missing();
    }
    SecretOutcome write(const QString &account, const QString &value) override {
        if (!log(QStringLiteral("write "), account))
            return SecretOutcome::failure(failures.value(calls.last()));
        items.insert(account, value.toUtf8());
        return SecretOutcome::success();
    }
    SecretOutcome remove(const QString &account) override {
        if (!log(QStringLiteral("remove "), account))
            return SecretOutcome::failure(failures.value(calls.last()));
        return items.remove(account) ? SecretOutcome::success() : SecretOutcome::missing();
    }

private:
    /// Records the call; false when it is to fail.
    bool log(const QString &operation, const QString &account) {
        calls << operation + account;
        return !failures.contains(calls.last());
    }
};

} // namespace brindle::test
