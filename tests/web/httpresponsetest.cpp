#include "httpresponse.h"
#include "publicpagefetch.h"
#include "testregistry.h"

using namespace brindle;

namespace {

/// One row per {name, bytes, expected} (expected nullptr: nothing).
void addCases(std::initializer_list<std::tuple<const char *, QByteArray, const char *>> cases) {
    for (const auto &[name, bytes, expected] : cases)
        QTest::newRow(name) << bytes
                            << (expected ? std::optional<QByteArray>(expected) : std::nullopt);
}

/// A 200 response with the given header lines (each ending in CR LF) and body.
QByteArray ok(const QByteArray &headers, const QByteArray &body) {
    return "HTTP/1.1 200 OK\r\n" + headers + "\r\n" + body;
}

const QByteArray html = "Content-Type: text/html\r\n";
const QByteArray chunkedHtml = html + "Transfer-Encoding: chunked\r\n";

} // namespace

class HttpResponseTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<QByteArray>>("body");
        const QByteArray charsetLength =
            "Content-Type: text/html; charset=utf-8\r\nContent-Length: 7\r\n";
        // The status line, the content type and "X-Pad: " take 49 bytes of the header block.
        const auto padded = [](int pad) {
            return html + "X-Pad: " + QByteArray(pad, 'p') + "\r\n";
        };
        addCases({
            {"exact length, charset", ok(charsetLength, "h\xc3\xa9llo!"), "h\xc3\xa9llo!"},
            {"plain text to the end", ok("content-type: TEXT/PLAIN\r\n", "abc"), "abc"},
            {"byte-order mark dropped", ok(html, "\xef\xbb\xbfx"), "x"},
            {"HTTP/1.0", "HTTP/1.0 200 OK\r\n" + html + "\r\nx", "x"},
            {"204", "HTTP/1.1 204 No Content\r\n" + html + "\r\n", nullptr},
            {"no blank line", "HTTP/1.1 200 OK\r\n" + html, nullptr},
            {"two content types", ok(html + "Content-Type: text/plain\r\n", "x"), nullptr},
            {"gzip", ok(html + "Content-Encoding: gzip\r\n", "x"), nullptr},
            {"no content type", ok("Content-Length: 1\r\n", "x"), nullptr},
            {"spaces and tabs trimmed", ok("Content-Type:\t text/html \t\r\n", "x"), "x"},
            {"bare LF hides the type", "HTTP/1.1 200 OK\nContent-Type: text/html\r\n\r\nx",
             nullptr},
            {"invalid UTF-8 header", ok(html + "X: \xff\r\n", "x"), nullptr},
            {"length 10, body 11", ok(html + "Content-Length: 10\r\n", "01234567890"), nullptr},
            {"truncated body", ok(html + "Content-Length: 12\r\n", "01234567890"), nullptr},
            {"length 0x1", ok(html + "Content-Length: 0x1\r\n", "x"), nullptr},
            {"length huge", ok(html + "Content-Length: 99999999999999999999\r\n", "x"), nullptr},
            {"chunked and length", ok(chunkedHtml + "Content-Length: 5\r\n", "5\r\nhello\r\n0\r\n"),
             nullptr},
            {"invalid UTF-8", ok(html, "\xff"), nullptr},
            {"header block of 32768", ok(padded(32768 - 49), "x"), "x"},
            {"header block of 32769", ok(padded(32768 - 48), "x"), nullptr},
            // chunked framing
            {"chunk extension", ok(chunkedHtml, "5;name=value\r\nhello\r\n0\r\n"), "hello"},
            {"trailers ignored", ok(chunkedHtml, "1\r\nx\r\n0\r\nX-T: y\r\n\r\n"), "x"},
            {"no final chunk", ok(chunkedHtml, "1\r\nx\r\n"), nullptr},
            {"no CR LF after data", ok(chunkedHtml, "5\r\nhelloXX0\r\n\r\n"), nullptr},
            {"0x prefix", ok(chunkedHtml, "0x5\r\nhello\r\n0\r\n"), nullptr},
            {"non-ASCII extension", ok(chunkedHtml, "5;n=\xc3\xa9\r\nhello\r\n0\r\n"), nullptr},
            {"huge size", ok(chunkedHtml, "7fffffffffffffff\r\nx\r\n0\r\n"), nullptr},
            {"bare LF size line", ok(chunkedHtml, "1\nx\r\n0\r\n"), nullptr},
        });
    }

    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<QByteArray>, body);
        const auto parsed = parseResponse(bytes);
        QCOMPARE(parsed.has_value(), body.has_value());
        if (body)
            QCOMPARE(*parsed, QString::fromUtf8(*body));
    }

    void requestNeverCarriesARawLineBreak() {
        const QUrl url(QStringLiteral("https://example.com/a\r\nHost: evil b?q\n#frag"));
        const auto request = pageRequest(url);
        QVERIFY(request.has_value());
        QVERIFY(request->startsWith("GET /a%0D%0AHost:%20evil%20b?q%0A HTTP/1.1\r\n"));
        QCOMPARE(request->count('\n'), 7);
        QCOMPARE(request->count("\r\n"), 7);
        QCOMPARE(pageRequest(QUrl()), std::nullopt);
    }
};

BRINDLE_REGISTER_TEST(HttpResponseTest);
#include "httpresponsetest.moc"
