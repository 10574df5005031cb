/**
 * @file
 * An in-memory SecretStore for tests: records every call in order and fails the calls it is told
 * to.
 */
#pragma once

#include "secretstore.h"

#include <QHash>
#include <QStringList>

namespace brindle::test {

class FakeSecretStore final : public SecretStore {
public:
    QHash<QString, QByteArray> items;
    /// "read selka", "write research", "remove openrouter", ... in call order.
    QStringList calls;
    /// Call text as above -> the error code that call fails with.
    QHash<QString, int> failures;

    SecretOutcome read(const QString &account) override {
        if (auto failed = record(QStringLiteral("read"), account))
            return *failed;
        const auto it = items.constFind(account);
        return it == items.cend() ? SecretOutcome::missing() : SecretOutcome::success(*it);
    }

    SecretOutcome write(const QString &account, const QString &value) override {
        if (auto failed = record(QStringLiteral("write"), account))
            return *failed;
        items.insert(account, value.toUtf8());
        return SecretOutcome::success();
    }

    SecretOutcome remove(const QString &account) override {
        if (auto failed = record(QStringLiteral("remove"), account))
            return *failed;
        return items.remove(account) > 0 ? SecretOutcome::success() : SecretOutcome::missing();
    }

private:
    std::optional<SecretOutcome> record(const QString &operation, const QString &account) {
        const auto call = operation + u' ' + account;
        calls << call;
        if (failures.contains(call))
            return SecretOutcome::failure(failures.value(call));
        return std::nullopt;
    }
};

} // namespace brindle::test
