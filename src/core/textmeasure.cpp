#include "textmeasure.h"

#include <QTextBoundaryFinder>

namespace brindle::text {

namespace {

// Plain ASCII without CR has one cluster per code unit; this spares the boundary finder on the
// common case of long Latin text.
bool isSimple(const QString &text) {
    for (QChar c : text) {
        const auto u = c.unicode();
        if (u >= 0x7f || u == u'\r')
            return false;
    }
    return true;
}

} // namespace

qsizetype indexOfCluster(const QString &text, qsizetype count) {
    if (count <= 0)
        return 0;
    if (isSimple(text))
        return std::min(count, text.size());
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype seen = 0;
    while (seen < count) {
        const auto next = finder.toNextBoundary();
        if (next < 0)
            return text.size();
        ++seen;
    }
    return finder.position();
}

qsizetype length(const QString &text) {
    if (isSimple(text))
        return text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

QString prefix(const QString &text, qsizetype count) {
    return text.left(indexOfCluster(text, count));
}

QString dropFirst(const QString &text, qsizetype count) {
    return text.mid(indexOfCluster(text, count));
}

QString suffix(const QString &text, qsizetype count) {
    const auto total = length(text);
    if (count >= total)
        return text;
    return dropFirst(text, total - std::max<qsizetype>(count, 0));
}

bool isWhitespace(QChar c) {
    return c.isSpace();
}

QString trimmed(const QString &text) {
    return text.trimmed();
}

QStringList words(const QString &text) {
    QStringList result;
    qsizetype begin = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || isWhitespace(text.at(i));
        if (space && begin >= 0) {
            result.append(text.mid(begin, i - begin));
            begin = -1;
        } else if (!space && begin < 0) {
            begin = i;
        }
    }
    return result;
}

qsizetype wordCount(const QString &text) {
    qsizetype count = 0;
    bool inWord = false;
    for (QChar c : text) {
        const bool space = isWhitespace(c);
        if (!space && !inWord)
            ++count;
        inWord = !space;
    }
    return count;
}

} // namespace brindle::text
