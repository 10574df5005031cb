#include "transcriptstate.h"

#include "textmeasure.h"

#include <QTextBoundaryFinder>

#include <array>

namespace brindle {

namespace {

bool isTerminator(QChar c) {
    return c == u'.' || c == u'!' || c == u'?';
}

} // namespace

TranscriptUpdate TranscriptState::update(const QString &report, bool isFinal) {
    const QString full = text::trimmed(report);
    const std::int64_t number = utterance;
    const auto finish = [&](TranscriptUpdate result) {
        if (isFinal) {
            committed.clear();
            completedCount = 0;
            ++utterance;
        } else {
            committed = full;
            completedCount = text::length(completedPrefix(full));
        }
        return result;
    };

    if (full == committed)
        return finish({QString(), false, false, text::length(full), full, number});

    const bool prefixBreak = !committed.isEmpty() && !full.startsWith(committed);
    const std::int64_t committedCount = text::length(committed);
    const QString tail = prefixBreak ? full : text::dropFirst(full, committedCount);
    const bool correction = isCorrection(tail);

    std::int64_t start = 0;
    bool revised = true;
    if (prefixBreak || correction) {
        start = 0;
    } else if (completedCount < committedCount) {
        // The previous text ended inside a sentence: offer that sentence again, now longer.
        start = completedCount;
    } else {
        start = committedCount;
        revised = false;
    }
    const QString candidate = text::trimmed(text::dropFirst(full, start));
    return finish({candidate, revised, correction, start, full, number});
}

bool isCorrection(const QString &text) {
    static const std::array markers{
        QStringLiteral("actually"),
        QStringLiteral("correction"),
        QStringLiteral("sorry"),
        QStringLiteral("i mean"),
        QStringLiteral("no,"),
        QStringLiteral("let me correct"),
        QStringLiteral("that was wrong"),
    };
    QString rest = text::trimmed(text).toLower();
    if (rest.startsWith(QLatin1String("you: ")))
        rest.remove(0, 5);
    for (const auto &marker : markers) {
        if (rest.startsWith(marker))
            return true;
    }
    return false;
}

QString completedPrefix(const QString &text) {
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (!isTerminator(text.at(i)))
            continue;
        // Keep whole characters: a mark attached to the terminator belongs to it.
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        finder.setPosition(i + 1);
        const qsizetype end = finder.isAtBoundary() ? i + 1 : finder.toNextBoundary();
        return text.left(end < 0 ? text.size() : end);
    }
    return {};
}

} // namespace brindle
