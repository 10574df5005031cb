#include "pagetext.h"

#include "textmeasure.h"

namespace brindle {

namespace {

// The substitutions are defined by three regular expressions (PCRE2 semantics as in
// QRegularExpression: UTF mode without Unicode properties, so \b and \s are ASCII-only and a
// caseless "s" also matches U+017F):
//     (?is)<!--.*?-->|<(script|style|noscript|template)\b[^>]*>.*?(?:</\1\s*>|$)
//     (?s)<[^>]*>
//     &(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);
// They are carried out by hand-written scanners with exactly the same matches (the tests hold
// them to the expressions). A backtracking engine retries every "<" of an opener that never
// closes and scans to the end each time: a hostile 512 KB page took minutes. The scanners
// remember where the next ">" or "-->" is and stay linear, and skip per-match objects.

/// The position of `needle` at or after `from`, remembered between calls with growing `from`.
class NextOccurrence {
public:
    NextOccurrence(const QString &text, QStringView needle)
        : m_text(text)
        , m_needle(needle) {}

    qsizetype from(qsizetype position) {
        if (m_found == -1 && m_searchedFrom <= position)
            return -1; // nothing further on the last time; still nothing
        if (m_found < position) {
            m_found = m_text.indexOf(m_needle, position);
            m_searchedFrom = position;
        }
        return m_found;
    }

private:
    const QString &m_text;
    QStringView m_needle;
    qsizetype m_found = -2;
    qsizetype m_searchedFrom = 0;
};

char16_t foldCase(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z')
        return u + (u'a' - u'A');
    if (u == u'\u017F')
        return u's'; // LATIN SMALL LETTER LONG S shares the case set of "s"
    return u;
}

bool isAsciiWord(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
           u == u'_';
}

bool isAsciiSpace(QChar c) {
    const char16_t u = c.unicode();
    return u == u' ' || (u >= u'\t' && u <= u'\r');
}

/// Length of the hidden element name at `at` (case-folded), or 0.
qsizetype hiddenElementName(const QString &text, qsizetype at) {
    static constexpr std::u16string_view names[] = {u"script", u"style", u"noscript", u"template"};
    for (const auto name : names) {
        const auto size = static_cast<qsizetype>(name.size());
        if (at + size > text.size())
            continue;
        bool same = true;
        for (qsizetype i = 0; i < size && same; ++i)
            same = foldCase(text[at + i]) == name[static_cast<std::size_t>(i)];
        if (same)
            return size;
    }
    return 0;
}

/// Whether "</" + name + optional ASCII spaces + ">" starts at `at`; `name` is compared caselessly.
bool isClosingTag(const QString &text, qsizetype at, QStringView name) {
    if (at + 2 + name.size() >= text.size() || text[at] != u'<' || text[at + 1] != u'/')
        return false;
    qsizetype i = at + 2;
    for (const QChar c : name) {
        if (foldCase(text[i++]) != foldCase(c))
            return false;
    }
    while (i < text.size() && isAsciiSpace(text[i]))
        ++i;
    return i < text.size() && text[i] == u'>';
}

/// End of the match of "</name\s*>|$" tried lazily from `from`: after the first closing tag,
/// or the end of the text (before a final line feed).
qsizetype hiddenElementEnd(const QString &text, qsizetype from, QStringView name) {
    const qsizetype textEnd = text.endsWith(u'\n') ? text.size() - 1 : text.size();
    for (qsizetype at = text.indexOf(QLatin1String("</"), from); at >= 0 && at < textEnd;
         at = text.indexOf(QLatin1String("</"), at + 1)) {
        if (isClosingTag(text, at, name))
            return text.indexOf(u'>', at + 2 + name.size()) + 1;
    }
    return std::max(from, textEnd);
}

QString removeHiddenContent(const QString &text) {
    NextOccurrence commentEnd(text, u"-->");
    NextOccurrence tagEnd(text, u">");
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u'<'); at >= 0;) {
        qsizetype end = -1;
        if (QStringView(text).sliced(at).startsWith(u"<!--")) {
            const qsizetype close = commentEnd.from(at + 4);
            if (close >= 0)
                end = close + 3;
        }
        if (end < 0) {
            const qsizetype nameSize = hiddenElementName(text, at + 1);
            const qsizetype afterName = at + 1 + nameSize;
            if (nameSize > 0 && (afterName == text.size() || !isAsciiWord(text[afterName]))) {
                const qsizetype openEnd = tagEnd.from(afterName);
                if (openEnd >= 0)
                    end = hiddenElementEnd(text, openEnd + 1,
                                           QStringView(text).sliced(at + 1, nameSize));
            }
        }
        if (end < 0) {
            at = text.indexOf(u'<', at + 1);
            continue;
        }
        out.append(QStringView(text).sliced(copied, at - copied));
        out.append(u' ');
        copied = end;
        at = end < text.size() ? text.indexOf(u'<', end) : -1;
    }
    if (copied == 0)
        return text;
    out.append(QStringView(text).sliced(copied));
    return out;
}

QString replaceTags(const QString &text) {
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u'<'); at >= 0;) {
        const qsizetype close = text.indexOf(u'>', at + 1);
        if (close < 0)
            break; // no tag can end any more
        out.append(QStringView(text).sliced(copied, at - copied));
        out.append(u' ');
        copied = close + 1;
        at = text.indexOf(u'<', copied);
    }
    if (copied == 0)
        return text;
    out.append(QStringView(text).sliced(copied));
    return out;
}

std::optional<QString> namedReference(QStringView name) {
    struct Entry {
        const char16_t *name;
        char16_t value;
    };
    static constexpr Entry table[] = {
        {u"amp", u'&'},        {u"lt", u'<'},         {u"gt", u'>'},         {u"quot", u'"'},
        {u"apos", u'\''},      {u"nbsp", u' '},       {u"ndash", u'\u2013'}, {u"mdash", u'\u2014'},
        {u"lsquo", u'\u2018'}, {u"rsquo", u'\u2019'}, {u"ldquo", u'\u201C'}, {u"rdquo", u'\u201D'},
    };
    for (const auto &entry : table) {
        if (name == QStringView(entry.name))
            return QString(QChar(entry.value));
    }
    return std::nullopt;
}

std::optional<QString> numericReference(QStringView digits, int base) {
    // The expression guarantees ASCII digits of the base; only the range needs checking.
    quint64 value = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        const int digit = u <= u'9' ? u - u'0' : (u | 0x20) - u'a' + 10;
        value = value * static_cast<quint64>(base) + static_cast<quint64>(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt; // does not fit 32 bits
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    const char32_t scalar = static_cast<char32_t>(value);
    return QString::fromUcs4(&scalar, 1);
}

std::optional<QString> decodeReference(QStringView reference) {
    if (reference.startsWith(u"#x"))
        return numericReference(reference.sliced(2), 16);
    if (reference.startsWith(u'#'))
        return numericReference(reference.sliced(1), 10);
    return namedReference(reference);
}

bool isAsciiLetter(char16_t u) {
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

bool isDecimalDigit(char16_t u) {
    return u >= u'0' && u <= u'9';
}

bool isHexDigit(char16_t u) {
    return isDecimalDigit(u) || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

/// Length of the match of "&(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);" at `at`, or 0.
qsizetype referenceLength(QStringView text, qsizetype at) {
    const auto runOf = [&](qsizetype from, bool (*accepts)(char16_t)) {
        qsizetype end = from;
        while (end < text.size() && accepts(text[end].unicode()))
            ++end;
        return end - from;
    };
    const auto endingAt = [&](qsizetype end) {
        return end < text.size() && text[end] == u';' ? end + 1 - at : 0;
    };
    qsizetype i = at + 1;
    if (i < text.size() && text[i] == u'#') {
        if (i + 1 < text.size() && text[i + 1] == u'x') {
            if (const auto digits = runOf(i + 2, isHexDigit); digits > 0)
                return endingAt(i + 2 + digits);
        }
        const auto digits = runOf(i + 1, isDecimalDigit);
        return digits > 0 ? endingAt(i + 1 + digits) : 0;
    }
    const auto letters = runOf(i, isAsciiLetter);
    return letters > 0 ? endingAt(i + letters) : 0;
}

/// Every reference decoded once, scanning for
///     &(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);
/// Matches never overlap and hold no "&", so building the result front to back gives exactly
/// what replacing them back to front in place would. One pass: a decoded "&" is not read again.
QString decodeReferences(const QString &text) {
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u'&'); at >= 0; at = text.indexOf(u'&', at + 1)) {
        const qsizetype length = referenceLength(text, at);
        if (length == 0)
            continue;
        const QStringView reference = QStringView(text).sliced(at + 1, length - 2);
        const auto decoded = decodeReference(reference);
        if (!decoded)
            continue;
        if (out.isNull())
            out.reserve(text.size());
        out.append(QStringView(text).sliced(copied, at - copied));
        out.append(*decoded);
        copied = at + length;
        at = copied - 1;
    }
    if (out.isNull())
        return text;
    out.append(QStringView(text).sliced(copied));
    return out;
}

} // namespace

QString normalizedWords(const QString &text) {
    QString out(text.size(), Qt::Uninitialized);
    QChar *const begin = out.data();
    QChar *to = begin;
    bool pendingSpace = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool space =
            u < 0x80 ? (u == u' ' || (u >= u'\t' && u <= u'\r')) : text::isWhitespace(c);
        if (space) {
            pendingSpace = to != begin;
            continue;
        }
        if (pendingSpace)
            *to++ = u' ';
        pendingSpace = false;
        *to++ = c;
    }
    out.truncate(to - begin);
    return out.toLower();
}

QString pageText(const QString &body) {
    return normalizedWords(decodeReferences(replaceTags(removeHiddenContent(body))));
}

} // namespace brindle
