#include "report.h"

#include "reporttexts.h"
#include "sourcelink.h"

#include <QStringList>

namespace brindle {

namespace {

// Characters that would start Markdown formatting are written as literals.
QString escaped(const QString &text) {
    static const QString special = QStringLiteral("\\`*_[]<>|#~");
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (special.contains(c))
            out += u'\\';
        out += c;
    }
    return out;
}

// Every line of `text` as a block quote, indented by `indent`.
QString quoted(const QString &text, const QString &indent) {
    QStringList lines;
    for (const auto &line : text.split(u'\n'))
        lines.append(indent + QStringLiteral("> ") + escaped(line.trimmed()));
    return lines.join(u'\n');
}

// Angle-bracket destinations allow any character but the brackets and line breaks.
QString destination(const QString &url) {
    QString out = url;
    out.replace(u'<', QStringLiteral("%3C"))
        .replace(u'>', QStringLiteral("%3E"))
        .replace(u'\n', QString())
        .replace(u'\r', QString());
    return u'<' + out + u'>';
}

QString sourceLine(const EvidenceSource &source) {
    if (sourceLinkKind(source.url) == SourceLinkKind::web)
        return QStringLiteral("- [%1](%2)")
            .arg(escaped(source.title.isEmpty() ? source.url : source.title),
                 destination(source.url));
    return QStringLiteral("- ") + escaped(report::sourceName(source));
}

} // namespace

QByteArray markdownReport(const SessionRecord &record, ReportOptions options) {
    const SessionSummary &s = record.summary;
    QStringList out;
    out << QStringLiteral("# Brindle report: ") + escaped(report::sessionTitle(s)) << QString()
        << QStringLiteral("- ") + report::periodText(s)
        << QStringLiteral("- Evidence: ") + evidenceModeLabel(s.evidenceMode)
        << QStringLiteral("- ") + report::countsText(s) << QString()
        << QStringLiteral("*") + report::caution + QStringLiteral("*") << QString();

    int number = 0;
    for (const auto &entry : record.findings) {
        const Finding &f = entry.finding;
        QString heading =
            QStringLiteral("## %1. %2").arg(++number).arg(report::verdictLabel(f.verdict));
        if (const QString when = report::whenText(entry); !when.isEmpty())
            heading += QStringLiteral(" \u00B7 ") + when;
        out << heading << QString() << quoted(u'"' + f.quote + u'"', QString()) << QString()
            << escaped(f.explanation) << QString();
        if (!f.sources.isEmpty()) {
            out << QStringLiteral("Sources:") << QString();
            for (const auto &source : f.sources) {
                out << sourceLine(source);
                if (!source.passage.trimmed().isEmpty())
                    out << QString() << quoted(source.passage, QStringLiteral("  "));
            }
            out << QString();
        }
    }
    if (record.findings.isEmpty())
        out << QStringLiteral("No findings were kept for this session.") << QString();

    if (options.includeTranscript) {
        out << QStringLiteral("## Transcript") << QString();
        // Two trailing spaces keep each utterance on its own line.
        for (const auto &line : record.transcript.split(u'\n', Qt::SkipEmptyParts))
            out << escaped(line) + QStringLiteral("  ");
        out << QString();
    }
    return out.join(u'\n').toUtf8();
}

} // namespace brindle
