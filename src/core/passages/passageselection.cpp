#include "passageselection.h"

#include "textmeasure.h"
#include "tokenmatcher.h"

#include <QSet>

#include <algorithm>
#include <bit>
#include <numeric>
#include <vector>

namespace brindle {

namespace {

const QString paragraphSeparator = QStringLiteral("\n\n");

struct Paragraph {
    qsizetype position;
    QStringView text;
    int hits;
};

// Every piece between occurrences of "\n\n", empty ones included.
std::vector<Paragraph> paragraphsOf(const QString &text) {
    std::vector<Paragraph> paragraphs;
    qsizetype begin = 0;
    for (;;) {
        const auto at = text.indexOf(paragraphSeparator, begin);
        const auto end = at < 0 ? text.size() : at;
        paragraphs.push_back({static_cast<qsizetype>(paragraphs.size()),
                              QStringView(text).mid(begin, end - begin), 0});
        if (at < 0)
            return paragraphs;
        begin = at + paragraphSeparator.size();
    }
}

// The first `count` characters (grapheme clusters). Clusters are only counted within a window
// that grows until the cut falls inside it: a boundary before the window's end does not depend
// on what follows, and counting a whole 500 KB paragraph would dominate the selection.
QString firstCharacters(const QString &text, qsizetype count) {
    for (qsizetype window = count * 8;; window *= 2) {
        if (window >= text.size())
            return text::prefix(text, count);
        const auto end = text::indexOfCluster(text.left(window), count);
        if (end < window)
            return text.left(end);
    }
}

QString excerpt(const QString &text, const TokenMatcher &matcher) {
    auto paragraphs = paragraphsOf(text);
    // With six paragraphs or fewer all are kept, so their hits are never needed.
    if (static_cast<qsizetype>(paragraphs.size()) > passageMaxParagraphs) {
        if (matcher.tokenCount() > 0) {
            for (auto &paragraph : paragraphs)
                paragraph.hits = matcher.countInLowerCase(paragraph.text);
        }
        std::stable_sort(paragraphs.begin(), paragraphs.end(),
                         [](const Paragraph &a, const Paragraph &b) { return a.hits > b.hits; });
        paragraphs.resize(static_cast<std::size_t>(passageMaxParagraphs));
        std::sort(paragraphs.begin(), paragraphs.end(),
                  [](const Paragraph &a, const Paragraph &b) { return a.position < b.position; });
    }
    QString joined;
    for (const auto &paragraph : paragraphs) {
        if (paragraph.position != paragraphs.front().position)
            joined += paragraphSeparator;
        joined += paragraph.text;
    }
    return firstCharacters(joined, passageMaxCharacters);
}

// Number of tokens contained in each document, via the corpus vocabulary.
std::vector<int> documentScores(const ReferenceCorpus &corpus, const TokenMatcher &matcher) {
    std::vector<int> scores(static_cast<std::size_t>(corpus.size()), 0);
    std::vector<std::uint64_t> wordMasks;
    for (qsizetype group = 0; group < matcher.groupCount(); ++group) {
        matcher.scanRecords(group, corpus.vocabulary(), '\n', wordMasks);
        const auto groupTokens = std::min<qsizetype>(
            TokenMatcher::groupSize, matcher.tokenCount() - group * TokenMatcher::groupSize);
        const std::uint64_t all =
            groupTokens == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << groupTokens) - 1;
        for (qsizetype document = 0; document < corpus.size(); ++document) {
            std::uint64_t found = 0;
            for (const auto id : corpus.wordIds(document)) {
                found |= wordMasks[id];
                if (found == all)
                    break;
            }
            scores[static_cast<std::size_t>(document)] += std::popcount(found);
        }
    }
    return scores;
}

} // namespace

QStringList claimTokens(const QString &claim) {
    const QString lowered = claim.toLower();
    QStringList tokens;
    QSet<QString> seen;
    QString token;
    const auto finish = [&] {
        if (!token.isEmpty() && !seen.contains(token)) {
            seen.insert(token);
            tokens.append(token);
        }
        token.clear();
    };
    for (qsizetype i = 0; i < lowered.size(); ++i) {
        const QChar unit = lowered.at(i);
        char32_t point = unit.unicode();
        qsizetype width = 1;
        if (unit.isHighSurrogate() && i + 1 < lowered.size() &&
            lowered.at(i + 1).isLowSurrogate()) {
            point = QChar::surrogateToUcs4(unit, lowered.at(i + 1));
            width = 2;
        }
        if (!QChar::isSurrogate(point) && QChar::isLetterOrNumber(point))
            token += QStringView(lowered).mid(i, width);
        else
            finish();
        i += width - 1;
    }
    finish();
    return tokens;
}

QList<ReferenceDocument> selectPassages(const QString &claim, const ReferenceCorpus &corpus) {
    if (corpus.isEmpty())
        return {};
    QList<QByteArray> encoded;
    for (const auto &token : claimTokens(claim))
        encoded.append(token.toUtf8());
    const TokenMatcher matcher(encoded);

    const auto scores = documentScores(corpus, matcher);
    std::vector<qsizetype> order(scores.size());
    std::iota(order.begin(), order.end(), qsizetype{0});
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return scores[static_cast<std::size_t>(a)] > scores[static_cast<std::size_t>(b)];
    });
    order.resize(std::min<std::size_t>(order.size(), passageMaxDocuments));

    QList<ReferenceDocument> selected;
    for (const auto index : order) {
        ReferenceDocument document = corpus.documents().at(index);
        document.text = excerpt(document.text, matcher);
        selected.append(std::move(document));
    }
    return selected;
}

QList<ReferenceDocument> selectPassages(const QString &claim,
                                        const QList<ReferenceDocument> &documents) {
    return selectPassages(claim, ReferenceCorpus(documents));
}

} // namespace brindle
