/**
 * @file
 * The settings store that keeps the session's preferences as one encoded value. The references
 * layer implements it on QSettings; tests may use a real settings file or a map. Main thread only.
 */
#pragma once

#include <QByteArray>

#include <optional>

namespace brindle {

class PreferenceStorePort {
public:
    virtual ~PreferenceStorePort() = default;

    /// The stored value; nothing when none was ever written.
    virtual std::optional<QByteArray> read() const = 0;
    /// Replaces the stored value.
    virtual void write(const QByteArray &value) = 0;
};

} // namespace brindle
