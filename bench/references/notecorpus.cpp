#include "notecorpus.h"

#include <QSet>

#include <cmath>

namespace brindle::bench {

namespace {

const QStringList syllables = {"ka", "lo",  "mi",   "ne",  "ra",  "tu",  "sen", "dor", "vel", "ith",
                               "an", "or",  "es",   "ul",  "gra", "pha", "tro", "ble", "qua", "zi",
                               "th", "ing", "ment", "ous", "al",  "er",  "ly",  "con", "pre", "ex"};

} // namespace

NoteCorpus::NoteCorpus(quint32 seed, int vocabularySize)
    : m_random(seed) {
    QSet<QString> seen;
    std::uniform_int_distribution<int> length(1, 4);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(syllables.size()) - 1);
    while (m_vocabulary.size() < vocabularySize) {
        QString candidate;
        for (int n = length(m_random); n > 0; --n)
            candidate += syllables.at(pick(m_random));
        if (!seen.contains(candidate)) {
            seen.insert(candidate);
            m_vocabulary.append(candidate);
        }
    }
    std::vector<double> weights;
    weights.reserve(static_cast<std::size_t>(vocabularySize));
    for (int rank = 1; rank <= vocabularySize; ++rank)
        weights.push_back(1.0 / rank);
    m_zipf = std::discrete_distribution<int>(weights.begin(), weights.end());
}

QString NoteCorpus::word() {
    return m_vocabulary.at(m_zipf(m_random));
}

QString NoteCorpus::sentence() {
    std::uniform_int_distribution<int> words(5, 22);
    std::uniform_int_distribution<int> percent(0, 99);
    QString text;
    const int count = words(m_random);
    for (int i = 0; i < count; ++i) {
        QString next = word();
        if (i == 0)
            next[0] = next[0].toUpper();
        const int roll = percent(m_random);
        if (roll < 3)
            next = QString::number(std::uniform_int_distribution<int>(1, 99'999)(m_random));
        else if (roll < 4)
            next = QStringLiteral("[[") + word() + QStringLiteral("]]");
        else if (roll < 6)
            next = next.toUpper();
        if (!text.isEmpty())
            text += percent(m_random) < 8 ? QStringLiteral(", ") : QStringLiteral(" ");
        text += next;
    }
    return text + QStringLiteral(". ");
}

QString NoteCorpus::note(qint64 bytes) {
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> sentences(1, 6);
    QString text = QStringLiteral("# ") + word() + u' ' + word() + QStringLiteral("\n\n");
    while (text.size() < bytes) {
        const int roll = percent(m_random);
        QString block;
        if (roll < 10) {
            block = QStringLiteral("## ") + word() + u' ' + word();
        } else if (roll < 25) {
            for (int n = sentences(m_random); n > 0; --n)
                block += QStringLiteral("- ") + sentence().trimmed() + u'\n';
            block.chop(1);
        } else {
            for (int n = sentences(m_random); n > 0; --n)
                block += sentence();
            block = block.trimmed();
        }
        text += block + QStringLiteral("\n\n");
    }
    text.truncate(static_cast<qsizetype>(bytes)); // the text is ASCII: one byte per character
    return text;
}

QStringList NoteCorpus::notes(int count, qint64 totalBytes) {
    // Sizes vary by a factor of about ten around the mean, scaled to stay within the total.
    std::lognormal_distribution<double> spread(0.0, 0.6);
    std::vector<double> shares(static_cast<std::size_t>(count));
    double sum = 0;
    for (auto &share : shares)
        sum += share = spread(m_random);
    QStringList result;
    for (const auto share : shares)
        result.append(
            note(std::max<qint64>(64, static_cast<qint64>(share / sum * totalBytes) - 1)));
    return result;
}

QString NoteCorpus::claim(int tokens) {
    QStringList words;
    std::uniform_int_distribution<int> rare(20'000, static_cast<int>(m_vocabulary.size()) - 1);
    while (words.size() < tokens - 1) {
        const QString next = words.size() % 4 == 3 ? m_vocabulary.at(rare(m_random)) : word();
        if (!words.contains(next))
            words.append(next);
    }
    words.append(QStringLiteral("1969"));
    words.first()[0] = words.first()[0].toUpper();
    return words.join(u' ') + u'.';
}

} // namespace brindle::bench
