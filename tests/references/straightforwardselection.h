/**
 * @file
 * Passage selection read literally: every text is lower-cased for every claim and searched once
 * per token. Tests and the fuzzer compare the indexed selection against it; it is kept simple,
 * not fast.
 */
#pragma once

#include "referencedocument.h"
#include "textmeasure.h"

#include <QList>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace brindle::test::straightforward {

inline QSet<QString> tokens(const QString &claim) {
    QSet<QString> result;
    QString token;
    const QString lowered = claim.toLower();
    for (qsizetype i = 0; i < lowered.size(); ++i) {
        char32_t point = lowered.at(i).unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(point) && i + 1 < lowered.size() &&
            lowered.at(i + 1).isLowSurrogate()) {
            point = QChar::surrogateToUcs4(lowered.at(i), lowered.at(i + 1));
            width = 2;
        }
        if (!QChar::isSurrogate(point) && QChar::isLetterOrNumber(point)) {
            token += lowered.mid(i, width);
        } else if (!token.isEmpty()) {
            result.insert(token);
            token.clear();
        }
        i += width - 1;
    }
    if (!token.isEmpty())
        result.insert(token);
    return result;
}

inline int score(const QString &text, const QSet<QString> &tokens) {
    const QString lowered = text.toLower();
    return static_cast<int>(std::count_if(tokens.cbegin(), tokens.cend(),
                                          [&](const QString &t) { return lowered.contains(t); }));
}

inline QList<ReferenceDocument> select(const QString &claim,
                                       const QList<ReferenceDocument> &documents) {
    const auto claimTokens = tokens(claim);
    QList<std::pair<int, qsizetype>> ranked;
    for (qsizetype i = 0; i < documents.size(); ++i)
        ranked.append({score(documents.at(i).text, claimTokens), i});
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    QList<ReferenceDocument> result;
    for (qsizetype r = 0; r < std::min<qsizetype>(ranked.size(), 5); ++r) {
        ReferenceDocument document = documents.at(ranked.at(r).second);
        const QStringList paragraphs = document.text.split(QStringLiteral("\n\n"));
        QList<std::pair<int, qsizetype>> scored;
        for (qsizetype p = 0; p < paragraphs.size(); ++p)
            scored.append({score(paragraphs.at(p), claimTokens), p});
        std::stable_sort(scored.begin(), scored.end(),
                         [](const auto &a, const auto &b) { return a.first > b.first; });
        if (scored.size() >= 7)
            scored.resize(6);
        std::sort(scored.begin(), scored.end(),
                  [](const auto &a, const auto &b) { return a.second < b.second; });
        QStringList kept;
        for (const auto &[hits, position] : scored)
            kept.append(paragraphs.at(position));
        document.text = text::prefix(kept.join(QStringLiteral("\n\n")), 6000);
        result.append(document);
    }
    return result;
}

} // namespace brindle::test::straightforward
