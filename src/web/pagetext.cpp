#include "pagetext.h"

#include "textmeasure.h"

#include <QRegularExpression>

namespace brindle {

namespace {

const QRegularExpression &hiddenContent() {
    static const QRegularExpression re(QStringLiteral(
        "(?is)<!--.*?-->|<(script|style|noscript|template)\\b[^>]*>.*?(?:</\\1\\s*>|$)"));
    return re;
}

const QRegularExpression &anyTag() {
    static const QRegularExpression re(QStringLiteral("(?s)<[^>]*>"));
    return re;
}

const QRegularExpression &characterReference() {
    static const QRegularExpression re(QStringLiteral("&(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);"));
    return re;
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

/// Every match decoded once. Matches never overlap, so building the result front to back gives
/// exactly what replacing them back to front in place would, without moving the tail each time.
QString decodeReferences(const QString &text) {
    const QRegularExpression &re = characterReference();
    if (!re.isValid())
        return text;
    QString out;
    qsizetype copied = 0;
    auto matches = re.globalMatch(text);
    while (matches.hasNext()) {
        const auto match = matches.next();
        const auto decoded = decodeReference(match.capturedView(1));
        if (!decoded)
            continue;
        if (out.isNull())
            out.reserve(text.size());
        out.append(QStringView(text).sliced(copied, match.capturedStart() - copied));
        out.append(*decoded);
        copied = match.capturedEnd();
    }
    if (out.isNull())
        return text;
    out.append(QStringView(text).sliced(copied));
    return out;
}

} // namespace

QString normalizedWords(const QString &text) {
    QString out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (const QChar c : text) {
        if (text::isWhitespace(c)) {
            pendingSpace = !out.isEmpty();
            continue;
        }
        if (pendingSpace)
            out.append(u' ');
        pendingSpace = false;
        out.append(c);
    }
    return out.toLower();
}

QString pageText(const QString &body) {
    QString text = body;
    text.replace(hiddenContent(), QStringLiteral(" "));
    text.replace(anyTag(), QStringLiteral(" "));
    return normalizedWords(decodeReferences(text));
}

} // namespace brindle
