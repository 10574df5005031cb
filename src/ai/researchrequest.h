/**
 * @file
 * The research request: its body, its input text, its output schema, the document text of the
 * passages sent, and the merging of the two passes' results in combined mode. Pure functions; each
 * call builds its values afresh.
 */
#pragma once

#include "aiconfiguration.h"
#include "referencedocument.h"
#include "researchresult.h"
#include "researchvalidation.h"

#include <QJsonObject>
#include <QList>

namespace brindle {

/// Passages rendered as "SOURCE doc:<UUID>\nTITLE <name>\n<text>", joined by blank lines.
QString documentText(const QList<ReferenceDocument> &passages);

/// The input object serialized with sorted keys and no whitespace; an absent document text is
/// sent as the empty text.
QString researchInput(const QString &claim, const QString &context,
                      const std::optional<QString> &documentText, bool web);

/// The strict JSON schema of the research answer.
QJsonObject researchSchema();

/// True when the model's last non-empty path segment starts with "gpt-5" or "gpt-6".
bool modelWantsLowReasoning(const QString &model);

/// The whole request body for one pass.
QJsonObject researchBody(const QString &claim, const QString &context, ResearchPass pass,
                         const QList<ReferenceDocument> &passages, const QString &model,
                         ResearchProvider provider);

/// Combines the documents-pass result (`local`) and the web-pass result.
ResearchResult mergeResults(const ResearchResult &local, const ResearchResult &web);

} // namespace brindle
