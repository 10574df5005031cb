// Arbitrary text through page reduction and passage confirmation.
#include "pagetext.h"
#include "passageconfirmation.h"

#include <cstdint>
#include <cstdlib>

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
    // Any stretch of the reduced page confirms against the page itself.
    const QString middle = text.mid(text.size() / 3, text.size() / 3).trimmed();
    if (!middle.isEmpty() && !middle.front().isLowSurrogate() && !middle.back().isHighSurrogate() &&
        middle == middle.toLower() && !brindle::confirmPassage(middle, body))
        std::abort();
    return 0;
}
