/**
 * @file
 * The whole transcript of a session, built from the capture's reports. Each report repeats the
 * running text of its channel's current utterance; a final report closes it. An utterance is one
 * numbered line, in the order utterances began, so lines of the two channels interleave as spoken.
 * A plain value; the session's own "transcript" keeps only the latest report.
 */
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace brindle {

class TranscriptLog {
public:
    struct Line {
        int number = 0;
        QString text;
        friend bool operator==(const Line &, const Line &) = default;
    };

    /// Takes one report; returns the line a final report finished.
    std::optional<Line> report(const QString &text, bool isFinal);
    /// Utterances not finished yet, with their latest text.
    QList<Line> openLines() const;
    /// Every line so far, one per row.
    QString text() const;

private:
    struct Entry {
        QString channel;
        QString text;
        bool finished = false;
    };
    QList<Entry> m_entries;
};

} // namespace brindle
