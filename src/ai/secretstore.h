/**
 * @file
 * Where API keys are kept: one secret per account name. The settings talk to this interface; the
 * keyring adapter is the production implementation and tests substitute a fake. Each call is a
 * task that ends when the store has answered or given up; it never throws.
 */
#pragma once

#include <QByteArray>
#include <QString>

#include <QCoroTask>

namespace brindle {

struct SecretOutcome {
    enum class Kind { ok, notFound, failed };

    Kind kind = Kind::ok;
    /// The store's own error code when the call failed.
    int code = 0;
    /// The stored bytes, for a successful read.
    QByteArray data;

    static SecretOutcome success(QByteArray data = {}) { return {Kind::ok, 0, std::move(data)}; }
    static SecretOutcome missing() { return {Kind::notFound, 0, {}}; }
    static SecretOutcome failure(int code) { return {Kind::failed, code, {}}; }
};

class SecretStore {
public:
    virtual ~SecretStore() = default;

    virtual QCoro::Task<SecretOutcome> read(QString account) = 0;
    /// Replaces the account's secret, adding it when there is none.
    virtual QCoro::Task<SecretOutcome> write(QString account, QString value) = 0;
    virtual QCoro::Task<SecretOutcome> remove(QString account) = 0;
};

} // namespace brindle
