#include "destinationrules.h"
#include "testregistry.h"

using namespace brindle;

class DestinationRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void urls_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("allowed");
        const auto row = [](const char *name, const char *url, bool allowed) {
            QTest::newRow(name) << QString::fromUtf8(url) << allowed;
        };
        row("plain", "https://example.com/a?b#c", true);
        row("upper-case scheme and host", "HTTPS://WWW.EXAMPLE.COM/", true);
        row("port 443 written out", "https://example.com:443/", true);
        row("port 443 with a leading zero", "https://example.com:0443/", true);
        row("internationalised name in its ASCII form",
            "https://b\xc3\xbc"
            "cher.example/",
            true);
        row("http", "http://example.com/", false);
        row("port 8443", "https://example.com:8443/", false);
        row("user name", "https://user@example.com/", false);
        row("password", "https://user:pw@example.com/", false);
        row("empty user information", "https://@example.com/", false);
        row("userinfo trick", "https://good.example@evil.example/", false);
        row("backslash trick", "https://evil.example\\@good.example/", false);
        row("encoded dots", "https://127%2E0%2E0%2E1/", false);
        row("encoded dot in a name", "https://example%2Ecom/", false);
        row("trailing dot", "https://example.com./", false);
        row("dotted quad", "https://127.0.0.1/", false);
        row("decimal IPv4", "https://2130706433/", false);
        row("octal IPv4", "https://0177.0.0.1/", false);
        row("hex IPv4", "https://0x7f.0.0.1/", false);
        row("short IPv4", "https://127.1/", false);
        row("zero address", "https://0.0.0.0/", false);
        row("bracketed IPv6 loopback", "https://[::1]/", false);
        row("bracketed unspecified", "https://[::]/", false);
        row("bracketed mapped IPv4", "https://[::ffff:127.0.0.1]/", false);
        row("bracketed public IPv6", "https://[2001:4860::1]/", false);
        row("local suffix", "https://printer.local/", false);
        row("localhost", "https://localhost/", false);
        row("localhost subdomain", "https://a.localhost/", false);
        row("no host", "https:///path", false);
        row("not a URL", "https://exa mple.com/", false);
        row("file scheme", "file:///etc/passwd", false);
    }

    void urls() {
        QFETCH(QString, url);
        QFETCH(bool, allowed);
        QCOMPARE(isAllowedURL(QUrl(url, QUrl::StrictMode)), allowed);
    }

    void hosts_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("allowed");
        const QString label63(63, u'a');
        QTest::newRow("two labels") << QStringLiteral("example.com") << true;
        QTest::newRow("upper case") << QStringLiteral("Example.COM") << true;
        QTest::newRow("hyphen inside") << QStringLiteral("my-site.example") << true;
        QTest::newRow("digits before a lettered label") << QStringLiteral("1.2.3.com") << true;
        QTest::newRow("label of 63") << label63 + QStringLiteral(".com") << true;
        QTest::newRow("label of 64") << label63 + QStringLiteral("a.com") << false;
        // 253 allowed, 254 refused (labels of 49 + dots).
        const QString label(49, u'a');
        const QString host253 =
            QStringList{
                label, label, label, label, label + QStringLiteral("a"), QStringLiteral("com")}
                .join(u'.')
                .right(253);
        QTest::newRow("253 characters") << host253 << true;
        QTest::newRow("254 characters") << (QStringLiteral("b") + host253) << false;
        QTest::newRow("single label") << QStringLiteral("intranet") << false;
        QTest::newRow("empty label") << QStringLiteral("a..com") << false;
        QTest::newRow("leading dot") << QStringLiteral(".example.com") << false;
        QTest::newRow("trailing dot") << QStringLiteral("example.com.") << false;
        QTest::newRow("label starts with hyphen") << QStringLiteral("-a.com") << false;
        QTest::newRow("label ends with hyphen") << QStringLiteral("a-.com") << false;
        QTest::newRow("underscore") << QStringLiteral("a_b.com") << false;
        QTest::newRow("unicode letters") << QStringLiteral("b\u00fccher.example") << false;
        QTest::newRow("dotted quad") << QStringLiteral("10.0.0.1") << false;
        QTest::newRow("hex last label") << QStringLiteral("0x7f.0.0.0x1") << true;
        QTest::newRow("bare local") << QStringLiteral("local") << false;
        for (const char *name :
             {"localhost", "local", "internal", "lan", "home", "test", "invalid", "onion", "arpa"})
            QTest::addRow("under %s", name)
                << (QStringLiteral("x.") + QLatin1String(name)) << false;
        QTest::newRow("reserved word inside a label") << QStringLiteral("mylocal.com") << true;
        QTest::newRow("reverse lookup name") << QStringLiteral("1.0.0.127.in-addr.arpa") << false;
    }

    void hosts() {
        QFETCH(QString, host);
        QFETCH(bool, allowed);
        QCOMPARE(isAllowedHost(host), allowed);
    }

    void addresses_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("isPublic");
        const auto row = [](const char *address, bool isPublic) {
            QTest::newRow(address) << QString::fromLatin1(address) << isPublic;
        };
        for (const char *address :
             {"8.8.8.8", "1.1.1.1", "100.63.255.255", "100.128.0.1", "172.15.0.1", "172.32.0.1",
              "192.1.0.1", "192.88.98.1", "198.17.0.1", "198.20.0.1", "223.255.255.255",
              "2001:4860::1", "2a00:1450::1", "2001:200::1", "3fff::1"})
            row(address, true);
        for (const char *address : {"0.0.0.0",
                                    "0.1.2.3",
                                    "10.1.2.3",
                                    "127.0.0.1",
                                    "100.64.0.1",
                                    "100.127.255.255",
                                    "169.254.169.254",
                                    "172.16.0.1",
                                    "172.31.255.255",
                                    "192.0.0.1",
                                    "192.0.1.1",
                                    "192.0.2.1",
                                    "192.168.1.1",
                                    "192.88.99.1",
                                    "198.18.0.1",
                                    "198.19.255.255",
                                    "198.51.100.7",
                                    "203.0.113.9",
                                    "224.0.0.1",
                                    "255.255.255.255",
                                    "::",
                                    "::1",
                                    "fe80::1",
                                    "fd00::1",
                                    "ff02::1",
                                    "2001:db8::1",
                                    "2001:0:1::1",
                                    "2001:1ff::1",
                                    "2002::1",
                                    "2002:7f00:1::1",
                                    "::ffff:8.8.8.8",
                                    "::ffff:127.0.0.1",
                                    "::8.8.8.8",
                                    "64:ff9b::7f00:1",
                                    "64:ff9b::808:808",
                                    "4000::1"})
            row(address, false);
        // Only the resolver's own numeric forms count; the legacy shorthands are not addresses.
        for (const char *address :
             {"127.1", "0177.0.0.1", "2130706433", "0x7f.0.0.1", "8.8.8.8.", " 8.8.8.8", "8.8.8.08",
              "[2001:4860::1]", "2001:4860::1%eth0", "example.com", ""})
            QTest::newRow(qPrintable(QStringLiteral("not numeric: '%1'").arg(address)))
                << QString::fromLatin1(address) << false;
    }

    void addresses() {
        QFETCH(QString, address);
        QFETCH(bool, isPublic);
        QCOMPARE(isPublicAddress(address), isPublic);
    }

    void oneAnswerSpoilsTheName_data() {
        QTest::addColumn<std::optional<QStringList>>("answers");
        QTest::addColumn<std::optional<QString>>("chosen");
        const auto list = [](std::initializer_list<const char *> items) {
            QStringList out;
            for (const char *item : items)
                out << QString::fromLatin1(item);
            return std::optional(out);
        };
        QTest::newRow("first of public ones")
            << list({"8.8.8.8", "2001:4860::1"}) << std::optional(QStringLiteral("8.8.8.8"));
        QTest::newRow("private last") << list({"8.8.8.8", "10.0.0.1"}) << std::optional<QString>();
        QTest::newRow("private first") << list({"::1", "8.8.8.8"}) << std::optional<QString>();
        QTest::newRow("empty answer") << list({}) << std::optional<QString>();
        QTest::newRow("lookup failed") << std::optional<QStringList>() << std::optional<QString>();
    }

    void oneAnswerSpoilsTheName() {
        QFETCH(std::optional<QStringList>, answers);
        QFETCH(std::optional<QString>, chosen);
        QCOMPARE(choosePublicAddress(answers, isPublicAddress), chosen);
    }

    void loopbackNamesResolveToNothing() {
        // The system resolver answers these without a network; both must be refused.
        QCOMPARE(resolvePublicAddress(QStringLiteral("localhost")), std::nullopt);
        QCOMPARE(resolvePublicAddress(QStringLiteral("127.0.0.1")), std::nullopt);
        QVERIFY(lookupAddresses(QStringLiteral("127.0.0.1")).has_value());
    }
};

BRINDLE_REGISTER_TEST(DestinationRulesTest);
#include "destinationrulestest.moc"
