#include "researchresult.h"

#include <QJsonArray>

namespace brindle {

QJsonObject EvidenceSource::toJson() const {
    return {{QStringLiteral("title"), title},
            {QStringLiteral("url"), url},
            {QStringLiteral("passage"), passage}};
}

std::optional<EvidenceSource> EvidenceSource::fromJson(const QJsonValue &value) {
    if (!value.isObject())
        return std::nullopt;
    const auto object = value.toObject();
    const auto title = object.value(QStringLiteral("title"));
    const auto url = object.value(QStringLiteral("url"));
    const auto passage = object.value(QStringLiteral("passage"));
    if (!title.isString() || !url.isString() || !passage.isString())
        return std::nullopt;
    return EvidenceSource{title.toString(), url.toString(), passage.toString()};
}

QJsonObject ResearchResult::toJson() const {
    QJsonArray list;
    for (const auto &source : sources)
        list.append(source.toJson());
    return {{QStringLiteral("claim"), claim},
            {QStringLiteral("verdict"), verdictRawValue(verdict)},
            {QStringLiteral("explanation"), explanation},
            {QStringLiteral("sources"), list}};
}

std::optional<ResearchResult> ResearchResult::fromJson(const QJsonValue &value) {
    if (!value.isObject())
        return std::nullopt;
    const auto object = value.toObject();
    const auto claim = object.value(QStringLiteral("claim"));
    const auto verdictText = object.value(QStringLiteral("verdict"));
    const auto explanation = object.value(QStringLiteral("explanation"));
    const auto sourceList = object.value(QStringLiteral("sources"));
    if (!claim.isString() || !verdictText.isString() || !explanation.isString() ||
        !sourceList.isArray())
        return std::nullopt;
    const auto verdict = verdictFromRawValue(verdictText.toString());
    if (!verdict)
        return std::nullopt;
    ResearchResult result{claim.toString(), *verdict, explanation.toString(), {}};
    for (const auto &item : sourceList.toArray()) {
        auto source = EvidenceSource::fromJson(item);
        if (!source)
            return std::nullopt;
        result.sources.append(std::move(*source));
    }
    return result;
}

} // namespace brindle
