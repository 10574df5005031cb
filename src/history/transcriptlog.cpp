#include "transcriptlog.h"

#include "claimintake.h"

#include <QStringList>

namespace brindle {

std::optional<TranscriptLog::Line> TranscriptLog::report(const QString &text, bool isFinal) {
    const QString channel = ClaimIntake::channelOf(text);
    const QString trimmed = text.trimmed();
    auto open = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry &entry) {
        return !entry.finished && entry.channel == channel;
    });
    if (open == m_entries.end()) {
        // An empty final report closes nothing that was never opened.
        if (trimmed.isEmpty())
            return std::nullopt;
        m_entries.append({channel, {}, false});
        open = std::prev(m_entries.end());
    }
    if (!trimmed.isEmpty())
        open->text = trimmed;
    if (!isFinal)
        return std::nullopt;
    open->finished = true;
    return Line{int(open - m_entries.begin()), open->text};
}

QList<TranscriptLog::Line> TranscriptLog::openLines() const {
    QList<Line> lines;
    for (int i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].finished)
            lines.append({i, m_entries[i].text});
    }
    return lines;
}

QString TranscriptLog::text() const {
    QStringList lines;
    for (const auto &entry : m_entries)
        lines.append(entry.text);
    return lines.join(QLatin1Char('\n'));
}

} // namespace brindle
