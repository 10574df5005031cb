#include "utterancesentences.h"

#include "writtenwords.h"

#include <QStringList>

namespace brindle {

namespace {

QString sentence(const QStringList &words) {
    QString text = words.join(u' ');
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString joined(const QString &first, const QString &second) {
    if (first.isEmpty() || second.isEmpty())
        return first + second;
    return first + u' ' + second;
}

} // namespace

QString UtteranceSentences::partialText(const std::vector<SpokenWord> &segmentation) {
    QStringList open; // the words of the sentence still being spoken
    int lastFrame = m_completedUntil;
    for (const auto &entry : segmentation) {
        // Words up to the completed sentences' end keep the wording those sentences have.
        if (isFillerWord(entry.word) || entry.firstFrame <= m_completedUntil)
            continue;
        const QString word = writtenWord(entry.word);
        if (word.isEmpty())
            continue;
        if (!open.isEmpty() && entry.firstFrame - lastFrame - 1 >= pauseFrames) {
            m_completed = joined(m_completed, sentence(open) + u'.');
            m_completedUntil = lastFrame;
            open.clear();
        }
        open.append(word);
        lastFrame = entry.lastFrame;
    }
    return joined(m_completed, sentence(open));
}

QString UtteranceSentences::finalText(const std::vector<SpokenWord> &segmentation) {
    return withFullStop(partialText(segmentation));
}

bool UtteranceSentences::endsInPause(const std::vector<SpokenWord> &segmentation) {
    int lastWordEnd = -1;
    int end = -1;
    for (const auto &entry : segmentation) {
        if (!isFillerWord(entry.word) && !writtenWord(entry.word).isEmpty())
            lastWordEnd = entry.lastFrame;
        end = std::max(end, entry.lastFrame);
    }
    return lastWordEnd >= 0 && end - lastWordEnd >= pauseFrames / 2;
}

QString UtteranceSentences::withFullStop(const QString &text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return trimmed;
    const QChar last = trimmed.back();
    if (last == u'.' || last == u'?' || last == u'!')
        return trimmed;
    return trimmed + u'.';
}

} // namespace brindle
