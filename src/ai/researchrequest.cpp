#include "researchrequest.h"

#include "modelprompts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace brindle {

namespace {

QJsonObject stringType() {
    return {{QStringLiteral("type"), QStringLiteral("string")}};
}

QJsonObject webSearchTool(ResearchProvider provider) {
    if (provider == ResearchProvider::openAI)
        return {{QStringLiteral("type"), QStringLiteral("web_search")}};
    return {{QStringLiteral("type"), QStringLiteral("openrouter:web_search")},
            {QStringLiteral("parameters"),
             QJsonObject{{QStringLiteral("engine"), QStringLiteral("exa")},
                         {QStringLiteral("mode"), QStringLiteral("fast")},
                         {QStringLiteral("max_results"), 3},
                         {QStringLiteral("max_total_results"), 6},
                         {QStringLiteral("max_uses"), 2}}}};
}

} // namespace

QString documentText(const QList<ReferenceDocument> &passages) {
    QStringList parts;
    parts.reserve(passages.size());
    for (const auto &passage : passages) {
        parts.append(QStringLiteral("SOURCE ") + documentCitation(passage.id) +
                     QStringLiteral("\nTITLE ") + passage.name + u'\n' + passage.text);
    }
    return parts.join(QStringLiteral("\n\n"));
}

QString researchInput(const QString &claim, const QString &context,
                      const std::optional<QString> &documentText, bool web) {
    // QJsonObject keeps its keys sorted, and compact output has no whitespace.
    const QJsonObject input{
        {QStringLiteral("claim"), claim},
        {QStringLiteral("context"), context},
        {QStringLiteral("documentText"), documentText.value_or(QString())},
        {QStringLiteral("mode"), web ? QStringLiteral("publicWeb") : QStringLiteral("documents")}};
    return QString::fromUtf8(QJsonDocument(input).toJson(QJsonDocument::Compact));
}

QJsonObject researchSchema() {
    const QJsonObject source{
        {QStringLiteral("type"), QStringLiteral("object")},
        {QStringLiteral("additionalProperties"), false},
        {QStringLiteral("required"),
         QJsonArray{QStringLiteral("title"), QStringLiteral("url"), QStringLiteral("passage")}},
        {QStringLiteral("properties"), QJsonObject{{QStringLiteral("title"), stringType()},
                                                   {QStringLiteral("url"), stringType()},
                                                   {QStringLiteral("passage"), stringType()}}}};
    QJsonArray verdicts;
    for (auto verdict : allVerdicts)
        verdicts.append(verdictRawValue(verdict));
    return {{QStringLiteral("type"), QStringLiteral("object")},
            {QStringLiteral("additionalProperties"), false},
            {QStringLiteral("required"),
             QJsonArray{QStringLiteral("claim"), QStringLiteral("verdict"),
                        QStringLiteral("explanation"), QStringLiteral("sources")}},
            {QStringLiteral("properties"),
             QJsonObject{{QStringLiteral("claim"), stringType()},
                         {QStringLiteral("verdict"),
                          QJsonObject{{QStringLiteral("type"), QStringLiteral("string")},
                                      {QStringLiteral("enum"), verdicts}}},
                         {QStringLiteral("explanation"), stringType()},
                         {QStringLiteral("sources"),
                          QJsonObject{{QStringLiteral("type"), QStringLiteral("array")},
                                      {QStringLiteral("items"), source}}}}}};
}

bool modelWantsLowReasoning(const QString &model) {
    const auto segments = model.split(u'/', Qt::SkipEmptyParts);
    const QString last = segments.isEmpty() ? model : segments.last();
    return last.startsWith(QStringLiteral("gpt-5")) || last.startsWith(QStringLiteral("gpt-6"));
}

QJsonObject researchBody(const QString &claim, const QString &context, ResearchPass pass,
                         const QList<ReferenceDocument> &passages, const QString &model,
                         ResearchProvider provider) {
    const bool web = pass == ResearchPass::web;
    QJsonObject body{
        {QStringLiteral("model"), model},
        {QStringLiteral("store"), false},
        {QStringLiteral("instructions"), ModelPrompts::researchInstructions()},
        {QStringLiteral("input"),
         researchInput(claim, context, web ? QString() : documentText(passages), web)},
        {QStringLiteral("max_output_tokens"), 2200},
        {QStringLiteral("text"),
         QJsonObject{{QStringLiteral("format"),
                      QJsonObject{{QStringLiteral("type"), QStringLiteral("json_schema")},
                                  {QStringLiteral("name"), QStringLiteral("fact_check")},
                                  {QStringLiteral("strict"), true},
                                  {QStringLiteral("schema"), researchSchema()}}}}}};
    if (modelWantsLowReasoning(model))
        body.insert(QStringLiteral("reasoning"),
                    QJsonObject{{QStringLiteral("effort"), QStringLiteral("low")}});
    if (web) {
        body.insert(QStringLiteral("tools"), QJsonArray{webSearchTool(provider)});
        if (provider == ResearchProvider::openAI) {
            body.insert(QStringLiteral("tool_choice"), QStringLiteral("required"));
            body.insert(QStringLiteral("include"),
                        QJsonArray{QStringLiteral("web_search_call.action.sources")});
        } else {
            body.insert(QStringLiteral("max_tool_calls"), 2);
        }
    }
    return body;
}

ResearchResult mergeResults(const ResearchResult &local, const ResearchResult &web) {
    if (local.claim != web.claim)
        return {local.claim,
                Verdict::unresolved,
                QStringLiteral("The checks addressed different claims. No correction was issued."),
                {}};
    const bool localResolved = local.verdict != Verdict::unresolved;
    const bool webResolved = web.verdict != Verdict::unresolved;
    if (localResolved && !webResolved)
        return {local.claim, local.verdict,
                QStringLiteral("Local references: ") + local.explanation +
                    QStringLiteral(" Public sources did not resolve this claim."),
                local.sources};
    if (!localResolved && webResolved)
        return {web.claim, web.verdict,
                QStringLiteral("Public sources: ") + web.explanation +
                    QStringLiteral(" Local references did not resolve this claim."),
                web.sources};

    QList<EvidenceSource> sources;
    QSet<QString> seen;
    for (const auto *list : {&local.sources, &web.sources}) {
        for (const auto &source : *list) {
            if (!seen.contains(source.url)) {
                seen.insert(source.url);
                sources.append(source);
            }
        }
    }
    if (!localResolved)
        return {local.claim, Verdict::unresolved,
                QStringLiteral("Neither local references nor public sources provided enough "
                               "evidence to resolve this claim."),
                sources};
    if (local.verdict == web.verdict)
        return {local.claim, local.verdict,
                QStringLiteral("Local references: ") + local.explanation +
                    QStringLiteral(" Public sources: ") + web.explanation,
                sources};
    return {local.claim, Verdict::unresolved,
            QStringLiteral("Local references and public sources disagree. Review the evidence "
                           "before drawing a conclusion."),
            sources};
}

} // namespace brindle
