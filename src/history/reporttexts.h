/**
 * @file
 * The texts the report writers share, so the three formats say the same things the same way.
 * Times are shown in local time.
 */
#pragma once

#include "historyrecords.h"

namespace brindle::report {

/// The badge label of the app: "Supported", "Source disagrees", "Needs context", "Unresolved".
QString verdictLabel(Verdict verdict);
/// The app's verdict colour as CSS.
QString verdictColor(Verdict verdict);
/// "Live session · Firefox" or "Recording · debate.mp3".
QString sessionTitle(const SessionSummary &summary);
/// "2026-12-06 23:10".
QString dateTimeText(const QDateTime &time);
/// "Heard 23:12:05", "At 03:21" or "" when neither is known.
QString whenText(const HistoryFinding &finding);
/// "Checked 12 · skipped 1 · filtered 3 · 4 findings".
QString countsText(const SessionSummary &summary);
/// "Started 2026-12-06 23:10 · ended 23:55" (the date repeated when the day changed).
QString periodText(const SessionSummary &summary);
/// The name a non-web source is shown by: its title, and a reference file's name.
QString sourceName(const EvidenceSource &source);

inline const QString caution =
    QStringLiteral("AI findings can be wrong. Open the source before relying on a correction.");

} // namespace brindle::report
