/**
 * @file
 * What the user reads when a provider answers with anything but success: the provider's own
 * message, pulled out of its error body with API keys masked, inside one fixed sentence.
 */
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace brindle {

/// The provider's message in an error body: "error"."message", else "error" as a string, else a
/// top-level "message"; whitespace runs collapsed, the sent key (8+ characters) and key-shaped
/// tokens masked as "[key]", at most 200 characters. Nothing when the body holds no message.
std::optional<QString> errorDetail(const QByteArray &body, const QString &key);

/// "<provider> request failed (HTTP <status>)." followed, when the body has a detail, by
/// " <provider> said: <detail>", then the fixed hint about key, access, quota and connection.
QString providerFailureMessage(const QString &provider, int status, const QByteArray &body,
                               const QString &key);

} // namespace brindle
