/**
 * @file
 * Findings as the views read them: plain maps of texts, so QML binds without knowing C++ types,
 * plus the few texts derived from a finding that several views show the same way.
 */
#pragma once

#include "finding.h"
#include "sourcelink.h"

#include <QVariantList>
#include <QVariantMap>

namespace brindle {

/// "No sources", "1 source" or "<n> sources".
QString sourceCountText(qsizetype count);
/// Seconds with one decimal and "s", e.g. "2.4s".
QString elapsedText(double seconds);

/// Keys: id, quote, verdict (raw text), explanation, eyebrow, isDemo, elapsedText, createdAt,
/// sourceCountText and sources (maps with title, url, passage, kind: "web", "file" or "plain").
QVariantMap findingValue(const Finding &finding);
QVariantList findingValues(const QList<Finding> &findings);

} // namespace brindle
