#include "report.h"

#include "reporttexts.h"
#include "sourcelink.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace brindle {

QString reportFormatName(ReportFormat format) {
    switch (format) {
    case ReportFormat::markdown:
        return QStringLiteral("md");
    case ReportFormat::html:
        return QStringLiteral("html");
    case ReportFormat::json:
        break;
    }
    return QStringLiteral("json");
}

std::optional<ReportFormat> reportFormatFromName(const QString &name) {
    for (const auto format : {ReportFormat::markdown, ReportFormat::html, ReportFormat::json}) {
        if (reportFormatName(format) == name)
            return format;
    }
    return std::nullopt;
}

QByteArray writeReport(const SessionRecord &record, ReportFormat format, ReportOptions options) {
    switch (format) {
    case ReportFormat::markdown:
        return markdownReport(record, options);
    case ReportFormat::html:
        return htmlReport(record, options);
    case ReportFormat::json:
        break;
    }
    return jsonReport(record, options);
}

namespace {

QJsonValue isoTime(const std::optional<QDateTime> &time) {
    if (!time)
        return QJsonValue::Null;
    return time->toUTC().toString(Qt::ISODateWithMs);
}

// Web sources keep their address; a reference document is named by its file, never located.
QJsonObject sourceJson(const EvidenceSource &source) {
    QJsonObject object{{QStringLiteral("title"), source.title},
                       {QStringLiteral("passage"), source.passage}};
    switch (sourceLinkKind(source.url)) {
    case SourceLinkKind::web:
        object.insert(QStringLiteral("url"), source.url);
        break;
    case SourceLinkKind::file:
        object.insert(QStringLiteral("document"),
                      QFileInfo(QUrl(source.url).toLocalFile()).fileName());
        break;
    case SourceLinkKind::plain:
        break;
    }
    return object;
}

} // namespace

QByteArray jsonReport(const SessionRecord &record, ReportOptions options) {
    const SessionSummary &s = record.summary;
    QJsonArray findings;
    for (const auto &entry : record.findings) {
        const Finding &f = entry.finding;
        QJsonArray sources;
        for (const auto &source : f.sources)
            sources.append(sourceJson(source));
        QJsonObject finding{{QStringLiteral("claim"), f.quote},
                            {QStringLiteral("verdict"), verdictRawValue(f.verdict)},
                            {QStringLiteral("explanation"), f.explanation},
                            {QStringLiteral("sources"), sources},
                            {QStringLiteral("createdAt"), isoTime(f.createdAt)}};
        if (entry.heardAt)
            finding.insert(QStringLiteral("heardAt"), isoTime(entry.heardAt));
        if (entry.position) {
            finding.insert(QStringLiteral("at"), positionText(*entry.position));
            finding.insert(QStringLiteral("positionSeconds"), *entry.position);
        }
        findings.append(finding);
    }
    QJsonObject report{
        {QStringLiteral("id"), s.id},
        {QStringLiteral("kind"), sessionKindName(s.kind)},
        {QStringLiteral("source"), s.source},
        {QStringLiteral("evidenceMode"), evidenceModeLabel(s.evidenceMode)},
        {QStringLiteral("startedAt"), isoTime(s.startedAt)},
        {QStringLiteral("endedAt"), isoTime(s.endedAt)},
        {QStringLiteral("counts"), QJsonObject{{QStringLiteral("checked"), s.counts.checked},
                                               {QStringLiteral("skipped"), s.counts.skipped},
                                               {QStringLiteral("filtered"), s.counts.filtered}}},
        {QStringLiteral("findings"), findings},
    };
    if (options.includeTranscript)
        report.insert(QStringLiteral("transcript"), record.transcript);
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

} // namespace brindle
