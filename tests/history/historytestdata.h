/**
 * @file
 * A kept session to test with: two findings (one with a web and a reference source), counts and
 * a transcript, at fixed times.
 */
#pragma once

#include "historyrecords.h"

namespace brindle::test {

inline QDateTime at(const char *iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs);
}

inline HistoryFinding historyFinding(const QString &quote, Verdict verdict,
                                     QList<EvidenceSource> sources, const char *createdAt) {
    const Finding f{.id = QUuid::createUuid(),
                    .quote = quote,
                    .verdict = verdict,
                    .explanation = QStringLiteral("It opened in 1937."),
                    .sources = std::move(sources),
                    .createdAt = at(createdAt),
                    .elapsed = 2.5,
                    .eyebrow = QStringLiteral("umm... brindle...")};
    return {f, f.createdAt.addMSecs(-2500), std::nullopt};
}

inline SessionRecord sampleRecord() {
    SessionRecord record;
    record.summary = {7,
                      QUuid::createUuid(),
                      SessionKind::live,
                      at("2026-12-06T21:10:00.000Z"),
                      at("2026-12-06T21:40:00.000Z"),
                      QStringLiteral("Firefox"),
                      EvidenceMode::combined,
                      {12, 1, 3},
                      2};
    record.findings = {
        historyFinding(
            QStringLiteral("The bridge opened in 1932."), Verdict::contradicted,
            {{QStringLiteral("Bridge history"), QStringLiteral("https://h.example/b?x=1&y=2"),
              QStringLiteral("The bridge opened\nin 1937.")},
             {QStringLiteral("notes"), QStringLiteral("file:///home/ann/refs/notes.md"),
              QStringLiteral("Opened 1937")}},
            "2026-12-06T21:12:05.500Z"),
        historyFinding(QStringLiteral("Water boils at <b>100</b> degrees & more."),
                       Verdict::supported, {}, "2026-12-06T21:20:00.000Z"),
    };
    record.transcript = QStringLiteral("The bridge opened in 1932.\nYou: really?");
    return record;
}

} // namespace brindle::test
