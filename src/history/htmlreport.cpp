#include "report.h"

#include "reporttexts.h"
#include "sourcelink.h"

#include <QStringList>

namespace brindle {

namespace {

// The app's palette: dark surfaces, mint accent, the verdict colours of the badges. Printing
// switches to dark text on white, keeping the badges' colours.
const QString style = QStringLiteral(R"css(
:root { color-scheme: dark; --bg: #111316; --surface: #181b1e; --text: rgba(255,255,255,0.92);
  --secondary: rgba(235,235,245,0.6); --tertiary: rgba(235,235,245,0.38); --mint: #66d4cf;
  --hairline: rgba(255,255,255,0.085); }
* { box-sizing: border-box; }
body { margin: 0; background: var(--bg); color: var(--text);
  font: 15px/1.5 system-ui, -apple-system, "Segoe UI", "DejaVu Sans", sans-serif; }
main { max-width: 760px; margin: 0 auto; padding: 32px 20px 48px; }
header { display: flex; gap: 14px; align-items: center; margin-bottom: 18px; }
.logo { width: 46px; height: 46px; border-radius: 12px; background: rgba(102,212,207,0.14);
  display: flex; align-items: center; justify-content: center; font-size: 26px; flex: none; }
h1 { font-size: 22px; margin: 0; }
.subtitle { margin: 2px 0 0; color: var(--secondary); font-size: 14px; }
.card { background: rgba(255,255,255,0.045); border: 1px solid var(--hairline);
  border-radius: 16px; padding: 16px; margin: 14px 0; }
.details { margin: 0; display: grid; grid-template-columns: max-content 1fr; gap: 4px 16px;
  font-size: 14px; }
.details dt { color: var(--secondary); }
.details dd { margin: 0; }
.caution { color: var(--tertiary); font-size: 12px; margin: 10px 0 0; }
h2 { font-size: 11px; letter-spacing: 0.6px; font-weight: 700; color: var(--secondary);
  margin: 26px 0 8px; }
.finding { border-radius: 14px; border: 1px solid rgba(255,255,255,0.08);
  background: rgba(255,255,255,0.03); padding: 14px; margin: 10px 0; break-inside: avoid; }
.finding-head { display: flex; flex-wrap: wrap; gap: 8px; align-items: center; }
.eyebrow { font-weight: 600; font-size: 14px; color: var(--tint); }
.badge { display: inline-flex; align-items: center; gap: 5px; padding: 5px 10px;
  border-radius: 999px; font-size: 12px; font-weight: 600; color: var(--tint);
  background: color-mix(in srgb, var(--tint) 14%, transparent); }
.symbol { display: inline-flex; width: 14px; height: 14px; border-radius: 50%;
  background: var(--tint); color: #111316; font-size: 10px; font-weight: 800;
  align-items: center; justify-content: center; line-height: 1; }
.when { color: var(--secondary); font-size: 12px; font-variant-numeric: tabular-nums;
  margin-left: auto; }
.quote { font-size: 16px; font-weight: 500; margin: 10px 0 6px; }
.explanation { color: var(--secondary); margin: 0 0 8px; }
.sources { list-style: none; padding: 0; margin: 8px 0 0; }
.sources li { margin: 8px 0 0; }
.sources a { color: var(--mint); text-decoration: none; font-size: 14px; }
.sources a:hover { text-decoration: underline; }
.sources .name { color: var(--secondary); font-size: 14px; }
.passage { margin: 4px 0 0; padding: 0 0 0 10px; border-left: 3px solid var(--tint);
  color: var(--secondary); font-size: 13px; white-space: pre-wrap; }
.empty { color: var(--secondary); }
.transcript p { margin: 0 0 6px; color: var(--secondary); font-size: 14px; }
footer { margin-top: 30px; color: var(--tertiary); font-size: 12px; }
@media print {
  :root { color-scheme: light; --bg: #fff; --text: #111; --secondary: #444; --tertiary: #666;
    --mint: #0d7d78; --hairline: #ccc; }
  .finding, .card { background: none; }
}
)css");

QString esc(const QString &text) {
    return text.toHtmlEscaped();
}

// A glyph standing in for each badge's symbol.
QString symbol(Verdict verdict) {
    switch (verdict) {
    case Verdict::supported:
        return QStringLiteral("\u2713");
    case Verdict::contradicted:
        return QStringLiteral("!");
    case Verdict::context:
        return QStringLiteral("i");
    case Verdict::unresolved:
        break;
    }
    return QStringLiteral("?");
}

void sourceItem(const EvidenceSource &source, QString &out) {
    out += QStringLiteral("<li>");
    if (sourceLinkKind(source.url) == SourceLinkKind::web) {
        out += QStringLiteral("<a href=\"%1\" rel=\"noreferrer noopener\">%2 \u2197</a>")
                   .arg(esc(source.url), esc(source.title.isEmpty() ? source.url : source.title));
    } else {
        out +=
            QStringLiteral("<span class=\"name\">%1</span>").arg(esc(report::sourceName(source)));
    }
    if (!source.passage.trimmed().isEmpty())
        out += QStringLiteral("<blockquote class=\"passage\">%1</blockquote>")
                   .arg(esc(source.passage.trimmed()));
    out += QStringLiteral("</li>\n");
}

void findingArticle(const HistoryFinding &entry, QString &out) {
    const Finding &f = entry.finding;
    out += QStringLiteral("<article class=\"finding\" style=\"--tint: %1\">\n<div "
                          "class=\"finding-head\">")
               .arg(report::verdictColor(f.verdict));
    if (f.verdict == Verdict::contradicted || f.verdict == Verdict::context)
        out += QStringLiteral("<span class=\"eyebrow\">%1</span>").arg(esc(f.eyebrow));
    out += QStringLiteral("<span class=\"badge\"><span class=\"symbol\">%1</span>%2</span>")
               .arg(symbol(f.verdict), esc(report::verdictLabel(f.verdict)));
    if (const QString when = report::whenText(entry); !when.isEmpty())
        out += QStringLiteral("<span class=\"when\">%1</span>").arg(esc(when));
    out +=
        QStringLiteral("</div>\n<p class=\"quote\">\"%1\"</p>\n<p class=\"explanation\">%2</p>\n")
            .arg(esc(f.quote), esc(f.explanation));
    if (!f.sources.isEmpty()) {
        out += QStringLiteral("<ul class=\"sources\">\n");
        for (const auto &source : f.sources)
            sourceItem(source, out);
        out += QStringLiteral("</ul>\n");
    }
    out += QStringLiteral("</article>\n");
}

} // namespace

QByteArray htmlReport(const SessionRecord &record, ReportOptions options) {
    const SessionSummary &s = record.summary;
    const QString title = report::sessionTitle(s);
    QString out;
    out += QStringLiteral(
               "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
               // Self-contained and inert: nothing is loaded from anywhere, nothing runs.
               "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
               "style-src 'unsafe-inline'\">\n"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
               "<title>Brindle report \u00B7 %1 \u00B7 %2</title>\n<style>%3</style>\n</head>\n"
               "<body>\n<main>\n")
               .arg(esc(title), esc(report::dateTimeText(s.startedAt)), style);
    out += QStringLiteral("<header><div class=\"logo\">\u261D\uFE0F</div><div><h1>Brindle "
                          "report</h1><p class=\"subtitle\">%1</p></div></header>\n")
               .arg(esc(title));
    out += QStringLiteral("<section class=\"card\"><dl class=\"details\">"
                          "<dt>When</dt><dd>%1</dd><dt>Evidence</dt><dd>%2</dd>"
                          "<dt>Claims</dt><dd>%3</dd></dl><p class=\"caution\">%4</p></section>\n")
               .arg(esc(report::periodText(s)), esc(evidenceModeLabel(s.evidenceMode)),
                    esc(report::countsText(s)), esc(report::caution));

    out += QStringLiteral("<h2>FINDINGS</h2>\n");
    for (const auto &entry : record.findings)
        findingArticle(entry, out);
    if (record.findings.isEmpty())
        out += QStringLiteral("<p class=\"empty\">No findings were kept for this session.</p>\n");

    if (options.includeTranscript) {
        out += QStringLiteral("<h2>TRANSCRIPT</h2>\n<section class=\"card transcript\">\n");
        for (const auto &line : record.transcript.split(u'\n', Qt::SkipEmptyParts))
            out += QStringLiteral("<p>%1</p>\n").arg(esc(line));
        out += QStringLiteral("</section>\n");
    }
    out += QStringLiteral("<footer>Made by Brindle on this device.</footer>\n</main>\n</body>\n"
                          "</html>\n");
    return out.toUtf8();
}

} // namespace brindle
