#include "reporttexts.h"

#include "sourcelink.h"

#include <QFileInfo>
#include <QUrl>

namespace brindle::report {

QString verdictLabel(Verdict verdict) {
    switch (verdict) {
    case Verdict::supported:
        return QStringLiteral("Supported");
    case Verdict::contradicted:
        return QStringLiteral("Source disagrees");
    case Verdict::context:
        return QStringLiteral("Needs context");
    case Verdict::unresolved:
        break;
    }
    return QStringLiteral("Unresolved");
}

QString verdictColor(Verdict verdict) {
    switch (verdict) {
    case Verdict::supported:
        return QStringLiteral("#66d4cf");
    case Verdict::contradicted:
        return QStringLiteral("#ff9f0a");
    case Verdict::context:
        return QStringLiteral("#ffd60a");
    case Verdict::unresolved:
        break;
    }
    return QStringLiteral("rgba(235, 235, 245, 0.6)");
}

QString sessionTitle(const SessionSummary &summary) {
    const QString kind = summary.kind == SessionKind::recording ? QStringLiteral("Recording")
                                                                : QStringLiteral("Live session");
    if (summary.source.isEmpty())
        return kind;
    return kind + QStringLiteral(" \u00B7 ") + summary.source;
}

QString dateTimeText(const QDateTime &time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString whenText(const HistoryFinding &finding) {
    if (finding.position)
        return QStringLiteral("At ") + positionText(*finding.position);
    if (finding.heardAt)
        return QStringLiteral("Heard ") +
               finding.heardAt->toLocalTime().toString(QStringLiteral("HH:mm:ss"));
    return {};
}

QString countsText(const SessionSummary &summary) {
    const auto &c = summary.counts;
    return QStringLiteral("Checked %1 \u00B7 skipped %2 \u00B7 filtered %3 \u00B7 %4 %5")
        .arg(c.checked)
        .arg(c.skipped)
        .arg(c.filtered)
        .arg(summary.findingCount)
        .arg(summary.findingCount == 1 ? QStringLiteral("finding") : QStringLiteral("findings"));
}

QString periodText(const SessionSummary &summary) {
    QString text = QStringLiteral("Started ") + dateTimeText(summary.startedAt);
    if (!summary.endedAt)
        return text + QStringLiteral(" \u00B7 not ended properly");
    const QDateTime start = summary.startedAt.toLocalTime();
    const QDateTime end = summary.endedAt->toLocalTime();
    return text + QStringLiteral(" \u00B7 ended ") +
           (start.date() == end.date() ? end.toString(QStringLiteral("HH:mm")) : dateTimeText(end));
}

QString sourceName(const EvidenceSource &source) {
    if (sourceLinkKind(source.url) != SourceLinkKind::file)
        return source.title;
    // A reference file is named, never located: the report may leave this computer.
    const QString file = QFileInfo(QUrl(source.url).toLocalFile()).fileName();
    if (source.title.isEmpty() || source.title == file)
        return QStringLiteral("%1 (reference document)").arg(file);
    return QStringLiteral("%1 (reference document %2)").arg(source.title, file);
}

} // namespace brindle::report
