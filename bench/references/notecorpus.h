/**
 * @file
 * A generated stand-in for a large notes vault: Markdown files of prose-like text whose words
 * follow a Zipf distribution over a large vocabulary, with headings, lists, numbers, links and
 * paragraphs of varying length. Deterministic for a given seed.
 */
#pragma once

#include <QString>
#include <QStringList>

#include <random>

namespace brindle::bench {

class NoteCorpus {
public:
    explicit NoteCorpus(quint32 seed, int vocabularySize = 80'000);

    /// `count` notes whose UTF-8 sizes add up to about `totalBytes` (never more).
    QStringList notes(int count, qint64 totalBytes);

    /// A claim of `tokens` distinct words: mostly common words, some rare ones and a number.
    QString claim(int tokens);

private:
    QString word();
    QString sentence();
    QString note(qint64 bytes);

    std::mt19937 m_random;
    QStringList m_vocabulary;
    std::discrete_distribution<int> m_zipf;
};

} // namespace brindle::bench
