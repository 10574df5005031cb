// Arbitrary text through page reduction and passage confirmation, with the scanners held to the
// regular expressions that define them.
#include "pagetext.h"
#include "passageconfirmation.h"

#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>

namespace {

/// Steps one and two done literally by the expressions (references are left to the unit tests'
/// oracle; here they are neutralised on both sides).
QString reducedByExpressions(QString text) {
    static const QRegularExpression hidden(QStringLiteral(
        "(?is)<!--.*?-->|<(script|style|noscript|template)\\b[^>]*>.*?(?:</\\1\\s*>|$)"));
    static const QRegularExpression tag(QStringLiteral("(?s)<[^>]*>"));
    text.replace(hidden, QStringLiteral(" "));
    text.replace(tag, QStringLiteral(" "));
    return brindle::normalizedWords(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString body =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString text = brindle::pageText(body);
    // One line of single-spaced words, whatever came in.
    if (text.startsWith(u' ') || text.endsWith(u' ') || text.contains(QStringLiteral("  ")))
        std::abort();
    for (const QChar c : text) {
        if (c != u' ' && c.isSpace())
            std::abort();
    }
    // Without "&" nothing is decoded, so the expressions must give the very same text.
    QString plain = body;
    plain.replace(u'&', u'+');
    if (brindle::pageText(plain) != reducedByExpressions(plain))
        std::abort();
    // Any stretch of the reduced page confirms against the page itself.
    const QString middle = text.mid(text.size() / 3, text.size() / 3).trimmed();
    if (!middle.isEmpty() && !middle.front().isLowSurrogate() && !middle.back().isHighSurrogate() &&
        middle == middle.toLower() && !brindle::confirmPassage(middle, body))
        std::abort();
    return 0;
}
