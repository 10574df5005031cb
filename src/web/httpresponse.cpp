#include "httpresponse.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace brindle {

namespace {

/// Strict UTF-8: a malformed or truncated sequence fails. A leading byte-order mark is dropped
/// so that it cannot glue itself to the first word of a page.
std::optional<QString> decodeUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

int digitValue(char c, int base) {
    int value = 36;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'z')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

/// An integer in `base` with an optional leading sign and at least one digit; nothing on any
/// other character or on overflow of a signed 64-bit value.
std::optional<qint64> parseInteger(QByteArrayView text, int base) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulate as a negative number so the most negative value fits too.
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i], base);
        if (digit < 0 || value < (lowest + digit) / base)
            return std::nullopt;
        value = value * base - digit;
    }
    if (!negative) {
        if (value == lowest)
            return std::nullopt;
        return -value;
    }
    return value;
}

struct KeptHeaders {
    std::optional<QString> contentType;
    std::optional<QString> contentEncoding;
    std::optional<QString> contentLength;
    std::optional<QString> transferEncoding;

    /// False when a kept name appears twice.
    bool keep(const QString &name, QString value) {
        std::optional<QString> *slot = nullptr;
        if (name == QLatin1String("content-type"))
            slot = &contentType;
        else if (name == QLatin1String("content-encoding"))
            slot = &contentEncoding;
        else if (name == QLatin1String("content-length"))
            slot = &contentLength;
        else if (name == QLatin1String("transfer-encoding"))
            slot = &transferEncoding;
        if (slot == nullptr)
            return true;
        if (slot->has_value())
            return false;
        *slot = std::move(value);
        return true;
    }
};

QString trimSpacesAndTabs(QStringView text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.sliced(begin, end - begin).toString();
}

bool isSuccessStatusLine(const QString &line) {
    if (!line.startsWith(QLatin1String("HTTP/1.")))
        return false;
    const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
    return parts.size() >= 2 && parts.at(1) == QLatin1String("200");
}

} // namespace

std::optional<QByteArray> decodeChunked(QByteArrayView body) {
    QByteArray out;
    qsizetype pos = 0;
    while (true) {
        if (pos >= body.size())
            return std::nullopt; // no final zero-size chunk
        const qsizetype lineEnd = body.indexOf(QByteArrayView("\r\n"), pos);
        if (lineEnd < 0)
            return std::nullopt;
        const QByteArrayView line = body.sliced(pos, lineEnd - pos);
        // The whole line must be ASCII, the extension after ";" as much as the size.
        if (std::any_of(line.begin(), line.end(), [](char c) { return uchar(c) >= 0x80; }))
            return std::nullopt;
        QByteArrayView sizeText;
        for (qsizetype start = 0; start <= line.size();) {
            qsizetype semicolon = line.indexOf(';', start);
            if (semicolon < 0)
                semicolon = line.size();
            if (semicolon > start) {
                sizeText = line.sliced(start, semicolon - start);
                break;
            }
            start = semicolon + 1;
        }
        if (sizeText.isEmpty())
            return std::nullopt;
        const auto size = parseInteger(sizeText, 16);
        if (!size || *size < 0)
            return std::nullopt;
        pos = lineEnd + 2;
        if (*size == 0)
            return out;
        const qsizetype remaining = body.size() - pos;
        if (remaining < 2 || *size > remaining - 2)
            return std::nullopt;
        out.append(body.sliced(pos, *size));
        pos += *size;
        if (body[pos] != '\r' || body[pos + 1] != '\n')
            return std::nullopt;
        pos += 2;
    }
}

std::optional<QString> parseResponse(QByteArrayView response) {
    const qsizetype headerEnd = response.indexOf(QByteArrayView("\r\n\r\n"));
    if (headerEnd < 0 || headerEnd > maxHeaderBytes)
        return std::nullopt;
    const auto headerText = decodeUtf8(response.first(headerEnd));
    if (!headerText)
        return std::nullopt;
    const QStringList lines = headerText->split(QStringLiteral("\r\n"));
    if (!isSuccessStatusLine(lines.constFirst()))
        return std::nullopt;

    KeptHeaders headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            return std::nullopt;
        const QString name = line.first(colon).toLower();
        if (!headers.keep(name, trimSpacesAndTabs(QStringView(line).sliced(colon + 1)).toLower()))
            return std::nullopt;
    }
    if (headers.contentEncoding && *headers.contentEncoding != QLatin1String("identity"))
        return std::nullopt;
    if (!headers.contentType || !(headers.contentType->startsWith(QLatin1String("text/html")) ||
                                  headers.contentType->startsWith(QLatin1String("text/plain"))))
        return std::nullopt;

    const QByteArrayView rawBody = response.sliced(headerEnd + 4);
    if (headers.transferEncoding) {
        if (*headers.transferEncoding != QLatin1String("chunked") || headers.contentLength)
            return std::nullopt;
        const auto decoded = decodeChunked(rawBody);
        if (!decoded)
            return std::nullopt;
        return decodeUtf8(*decoded);
    }
    if (headers.contentLength) {
        const QString &lengthText = *headers.contentLength;
        const bool ascii = std::all_of(lengthText.begin(), lengthText.end(),
                                       [](QChar c) { return c.unicode() < 0x80; });
        const auto length = ascii ? parseInteger(lengthText.toLatin1(), 10) : std::nullopt;
        if (!length || *length != rawBody.size())
            return std::nullopt;
    }
    return decodeUtf8(rawBody);
}

} // namespace brindle
