#include "providerfailure.h"

#include "textmeasure.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace brindle {

namespace {

constexpr qsizetype maxDetailLength = 200;
constexpr qsizetype minMaskedKeyLength = 8;

std::optional<QString> messageIn(const QJsonObject &top) {
    const auto error = top.value(QStringLiteral("error"));
    if (error.isObject()) {
        const auto nested = error.toObject().value(QStringLiteral("message"));
        if (nested.isString())
            return nested.toString();
    }
    if (error.isString())
        return error.toString();
    const auto message = top.value(QStringLiteral("message"));
    if (message.isString())
        return message.toString();
    return std::nullopt;
}

// Masks tokens shaped like API keys of the providers we talk to, including keys we did not send.
const QRegularExpression &keyShapedToken() {
    static const QRegularExpression pattern(QStringLiteral("(sk|tsk)-[A-Za-z0-9_\\-]{8,}"));
    return pattern;
}

} // namespace

std::optional<QString> errorDetail(const QByteArray &body, const QString &key) {
    const auto document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return std::nullopt;
    const auto message = messageIn(document.object());
    if (!message)
        return std::nullopt;
    QString detail = text::words(*message).join(QLatin1Char(' '));
    if (detail.isEmpty())
        return std::nullopt;
    if (text::length(key) >= minMaskedKeyLength)
        detail.replace(key, QStringLiteral("[key]"));
    detail.replace(keyShapedToken(), QStringLiteral("[key]"));
    if (text::length(detail) > maxDetailLength)
        detail = text::prefix(detail, maxDetailLength - 1) + QChar(0x2026);
    return detail;
}

QString providerFailureMessage(const QString &provider, int status, const QByteArray &body,
                               const QString &key) {
    QString message = provider + QStringLiteral(" request failed (HTTP ") +
                      QString::number(status) + QStringLiteral(").");
    if (const auto detail = errorDetail(body, key))
        message += QLatin1Char(' ') + provider + QStringLiteral(" said: ") + *detail;
    message += QStringLiteral(" Check the API key, model access, quota, and connection.");
    return message;
}

} // namespace brindle
