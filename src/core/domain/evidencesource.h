/**
 * @file
 * One cited source of a research answer. Its identity in lists is its url; two sources are equal
 * only when title, url and passage all are.
 */
#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace brindle {

struct EvidenceSource {
    QString title;
    QString url; ///< a retrieved page URL, "doc:<UUID>" in an answer, or a file URL once accepted
    QString passage;

    const QString &identity() const { return url; }
    friend bool operator==(const EvidenceSource &, const EvidenceSource &) = default;

    QJsonObject toJson() const;
    /// Strict: all three keys must be present and strings, or nothing is decoded.
    static std::optional<EvidenceSource> fromJson(const QJsonValue &value);
};

} // namespace brindle
