#include "httpresponse.h"
#include "publicpagefetch.h"
#include "testregistry.h"

using namespace brindle;

namespace {

QByteArray response(const QByteArray &headers, const QByteArray &body) {
    return "HTTP/1.1 200 OK\r\n" + headers + "\r\n" + body;
}

const QByteArray html = "Content-Type: text/html\r\n";

} // namespace

class HttpResponseTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<QString>>("body");
        const std::optional<QString> none;
        const auto text = [](const char *t) { return std::optional(QString::fromUtf8(t)); };

        QTest::newRow("200 with charset and exact length")
            << response("Content-Type: text/html; charset=utf-8\r\nContent-Length: 7\r\n",
                        "h\xc3\xa9llo!")
            << text("h\xc3\xa9llo!");
        QTest::newRow("plain text to end of stream")
            << response("content-type: TEXT/PLAIN\r\n", "abc") << text("abc");
        QTest::newRow("empty body") << response(html, "") << text("");
        QTest::newRow("byte-order mark dropped") << response(html, "\xef\xbb\xbfx") << text("x");
        QTest::newRow("HTTP/1.0") << QByteArray("HTTP/1.0 200 OK\r\n" + html + "\r\nx")
                                  << text("x");
        QTest::newRow("runs of spaces in the status line")
            << QByteArray("HTTP/1.1   200\r\n" + html + "\r\nx") << text("x");
        QTest::newRow("204") << QByteArray("HTTP/1.1 204 No Content\r\n" + html + "\r\n") << none;
        QTest::newRow("301") << QByteArray("HTTP/1.1 301 Moved\r\n" + html + "\r\n") << none;
        QTest::newRow("HTTP/2") << QByteArray("HTTP/2 200\r\n" + html + "\r\nx") << none;
        QTest::newRow("status 2000") << QByteArray("HTTP/1.1 2000 OK\r\n" + html + "\r\nx") << none;
        QTest::newRow("no reason, status only")
            << QByteArray("HTTP/1.1\r\n" + html + "\r\nx") << none;
        QTest::newRow("leading space before HTTP")
            << QByteArray(" HTTP/1.1 200 OK\r\n" + html + "\r\nx") << none;
        QTest::newRow("no blank line") << QByteArray("HTTP/1.1 200 OK\r\n" + html) << none;
        QTest::newRow("two content types")
            << response(html + "Content-Type: text/plain\r\n", "x") << none;
        QTest::newRow("two cookies are fine")
            << response(html + "Set-Cookie: a=1\r\nSet-Cookie: b=2\r\n", "x") << text("x");
        QTest::newRow("gzip") << response(html + "Content-Encoding: gzip\r\n", "x") << none;
        QTest::newRow("IDENTITY") << response(html + "Content-Encoding: IDENTITY\r\n", "x")
                                  << text("x");
        QTest::newRow("json") << response("Content-Type: application/json\r\n", "{}") << none;
        QTest::newRow("no content type") << response("Content-Length: 1\r\n", "x") << none;
        QTest::newRow("space before the colon")
            << response("Content-Type : text/html\r\n", "x") << none;
        QTest::newRow("value trimmed of spaces and tabs")
            << response("Content-Type:\t text/html \t\r\nContent-Length:  1 \r\n", "x")
            << text("x");
        QTest::newRow("header line without a colon")
            << response(html + "Broken header\r\n", "x") << none;
        QTest::newRow("bare LF joins lines, content type lost")
            << QByteArray("HTTP/1.1 200 OK\nContent-Type: text/html\r\n\r\nx") << none;
        QTest::newRow("bare LF inside a value")
            << response("Content-Type: text/html\nX-Other: y\r\n", "x") << text("x");
        QTest::newRow("bare LF blank line is not the end")
            << QByteArray("HTTP/1.1 200 OK\n" + html + "\n\nx") << none;
        QTest::newRow("length too short")
            << response(html + "Content-Length: 10\r\n", "01234567890") << none;
        QTest::newRow("truncated body")
            << response(html + "Content-Length: 12\r\n", "01234567890") << none;
        QTest::newRow("length with plus")
            << response(html + "Content-Length: +1\r\n", "x") << text("x");
        QTest::newRow("length minus zero")
            << response(html + "Content-Length: -0\r\n", "") << text("");
        QTest::newRow("negative length") << response(html + "Content-Length: -1\r\n", "x") << none;
        QTest::newRow("length with inner space")
            << response(html + "Content-Length: 1 0\r\n", "0123456789") << none;
        QTest::newRow("length in hex") << response(html + "Content-Length: 0x1\r\n", "x") << none;
        QTest::newRow("huge length")
            << response(html + "Content-Length: 99999999999999999999999\r\n", "x") << none;
        QTest::newRow("empty length") << response(html + "Content-Length:\r\n", "") << none;
        QTest::newRow("chunked") << response(html + "Transfer-Encoding: chunked\r\n",
                                             "5\r\nhello\r\n0\r\n\r\n")
                                 << text("hello");
        QTest::newRow("chunked with length")
            << response(html + "Transfer-Encoding: chunked\r\nContent-Length: 5\r\n",
                        "5\r\nhello\r\n0\r\n\r\n")
            << none;
        QTest::newRow("gzip transfer encoding")
            << response(html + "Transfer-Encoding: gzip\r\n", "x") << none;
        QTest::newRow("chunked, gzip")
            << response(html + "Transfer-Encoding: chunked, gzip\r\n", "1\r\nx\r\n0\r\n\r\n")
            << none;
        QTest::newRow("chunked without final chunk")
            << response(html + "Transfer-Encoding: chunked\r\n", "5\r\nhello\r\n") << none;
        QTest::newRow("invalid UTF-8 body") << response(html, "\xff") << none;
        QTest::newRow("truncated UTF-8 body") << response(html, "ab\xc3") << none;
        QTest::newRow("encoded surrogate") << response(html, "\xed\xa0\x80") << none;
        QTest::newRow("invalid UTF-8 header") << response(html + "X-Name: \xff\r\n", "x") << none;
        QTest::newRow("empty input") << QByteArray() << none;
        // The status line, the content type and "X-Pad: " take 49 bytes.
        QTest::newRow("header block of 32768 bytes")
            << response(html + "X-Pad: " + QByteArray(32768 - 49, 'p') + "\r\n", "x") << text("x");
        QTest::newRow("header block over 32768 bytes")
            << response(html + "X-Pad: " + QByteArray(32768 - 48, 'p') + "\r\n", "x") << none;
    }

    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<QString>, body);
        QCOMPARE(parseResponse(bytes), body);
    }

    void chunked_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<QByteArray>>("decoded");
        const std::optional<QByteArray> none;
        const auto bytes = [](const char *b) { return std::optional(QByteArray(b)); };
        QTest::newRow("one chunk") << QByteArray("5\r\nhello\r\n0\r\n\r\n") << bytes("hello");
        QTest::newRow("two chunks, upper-case hex")
            << QByteArray("A\r\n0123456789\r\n1\r\n!\r\n0\r\n") << bytes("0123456789!");
        QTest::newRow("extension")
            << QByteArray("5;name=value\r\nhello\r\n0\r\n") << bytes("hello");
        QTest::newRow("leading semicolons dropped")
            << QByteArray(";;5\r\nhello\r\n0\r\n") << bytes("hello");
        QTest::newRow("only semicolons") << QByteArray(";;\r\nhello\r\n0\r\n") << none;
        QTest::newRow("trailers ignored")
            << QByteArray("1\r\nx\r\n0\r\nX-T: y\r\n\r\n") << bytes("x");
        QTest::newRow("final chunk without its CR LF") << QByteArray("1\r\nx\r\n0") << none;
        QTest::newRow("empty") << QByteArray() << none;
        QTest::newRow("no final chunk") << QByteArray("1\r\nx\r\n") << none;
        QTest::newRow("truncated data") << QByteArray("5\r\nhel") << none;
        QTest::newRow("data without CR LF after") << QByteArray("5\r\nhelloXX0\r\n\r\n") << none;
        QTest::newRow("short chunk then final") << QByteArray("5\r\nhell\r\n0\r\n\r\n") << none;
        QTest::newRow("plus sign") << QByteArray("+1\r\nx\r\n0\r\n") << bytes("x");
        QTest::newRow("minus zero ends") << QByteArray("-0\r\n") << bytes("");
        QTest::newRow("negative size") << QByteArray("-1\r\nx\r\n0\r\n") << none;
        QTest::newRow("space in size") << QByteArray("5 \r\nhello\r\n0\r\n") << none;
        QTest::newRow("0x prefix") << QByteArray("0x5\r\nhello\r\n0\r\n") << none;
        QTest::newRow("not hex") << QByteArray("g\r\nx\r\n0\r\n") << none;
        QTest::newRow("non-ASCII size") << QByteArray("\xc3\xa9\r\nx\r\n0\r\n") << none;
        QTest::newRow("huge size") << QByteArray("7fffffffffffffff\r\nx\r\n0\r\n") << none;
        QTest::newRow("size over 64 bits")
            << QByteArray("ffffffffffffffffff\r\nx\r\n0\r\n") << none;
        QTest::newRow("size line with bare LF") << QByteArray("1\nx\r\n0\r\n") << none;
    }

    void chunked() {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<QByteArray>, decoded);
        QCOMPARE(decodeChunked(body), decoded);
    }

    void requests_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QByteArray>("requestLine");
        const auto tolerant = [](const char *u) { return QUrl(QString::fromUtf8(u)); };
        QTest::newRow("empty path") << tolerant("https://example.com") << QByteArray("GET /");
        QTest::newRow("fragment dropped")
            << tolerant("https://example.com/a#frag") << QByteArray("GET /a");
        QTest::newRow("empty query kept")
            << tolerant("https://example.com/a?") << QByteArray("GET /a?");
        QTest::newRow("encoded line break")
            << tolerant("https://example.com/a%0Ab?c%0D%0A") << QByteArray("GET /a%0Ab?c%0D%0A");
        QTest::newRow("raw line break and space are encoded")
            << QUrl(QStringLiteral("https://example.com/a\r\nHost: evil b"))
            << QByteArray("GET /a%0D%0AHost:%20evil%20b");
        QTest::newRow("unicode path")
            << tolerant("https://example.com/\xc3\xa9") << QByteArray("GET /%C3%A9");
    }

    void requests() {
        QFETCH(QUrl, url);
        QFETCH(QByteArray, requestLine);
        const auto request = pageRequest(url);
        QVERIFY(request.has_value());
        QCOMPARE(request->left(request->indexOf("\r\n")), requestLine + " HTTP/1.1");
        QVERIFY(request->endsWith("\r\nHost: example.com\r\nAccept: text/html, text/plain\r\n"
                                  "Accept-Encoding: identity\r\nConnection: close\r\n"
                                  "User-Agent: Brindle/1\r\n\r\n"));
        QCOMPARE(request->count("\r\n"), 7);
        QCOMPARE(request->count('\n'), 7);
    }
};

BRINDLE_REGISTER_TEST(HttpResponseTest);
#include "httpresponsetest.moc"
