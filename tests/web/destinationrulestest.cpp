#include "destinationrules.h"
#include "testregistry.h"

using namespace brindle;

namespace {

enum class Rule { url, host, address };

/// One row per text: `rule` allows the `yes` texts and refuses the `no` ones.
void addRows(Rule rule, std::initializer_list<const char *> yes,
             std::initializer_list<const char *> no) {
    for (const char *text : yes)
        QTest::addRow("+ %s", text) << rule << QString::fromUtf8(text) << true;
    for (const char *text : no)
        QTest::addRow("- %s", text) << rule << QString::fromUtf8(text) << false;
}

} // namespace

class DestinationRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rules_data() {
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        addRows(Rule::url,
                {"https://example.com/a?b#c", "HTTPS://WWW.EXAMPLE.COM/",
                 "https://example.com:443/", "https://example.com:0443/",
                 "https://b\u00fccher.example/"},
                {// scheme, port and user information
                 "http://example.com/", "file:///etc/passwd", "https://example.com:8443/",
                 "https://user@example.com/", "https://user:pw@example.com/",
                 "https://@example.com/", "https://good.example@evil.example/",
                 "https://evil.example\\@good.example/", "https:///path", "https://exa mple.com/",
                 // numeric hosts in every spelling
                 "https://127.0.0.1/", "https://2130706433/", "https://0177.0.0.1/",
                 "https://0x7f.0.0.1/", "https://127.1/", "https://0.0.0.0/", "https://[::1]/",
                 "https://[::]/", "https://[::ffff:127.0.0.1]/", "https://[2001:4860::1]/",
                 "https://127%2E0%2E0%2E1/", "https://example%2Ecom/",
                 // local names
                 "https://example.com./", "https://printer.local/", "https://localhost/",
                 "https://a.localhost/"});
        addRows(Rule::host,
                {"example.com", "Example.COM", "my-site.example", "1.2.3.com", "0x7f.0.0.0x1",
                 "mylocal.com"},
                {"intranet", "a..com", ".example.com", "example.com.", "-a.com", "a-.com",
                 "a_b.com", "b\u00fccher.example", "10.0.0.1", "local", "x.localhost", "x.local",
                 "x.internal", "x.lan", "x.home", "x.test", "x.invalid", "x.onion",
                 "1.0.0.127.in-addr.arpa"});
        const QString label63(63, u'a');
        QTest::newRow("label of 63") << Rule::host << label63 + QStringLiteral(".com") << true;
        QTest::newRow("label of 64") << Rule::host << label63 + QStringLiteral("a.com") << false;
        const QString host253 = QStringList(4, label63).join(u'.').right(249) + ".com";
        QTest::newRow("253 characters") << Rule::host << host253 << true;
        QTest::newRow("254 characters") << Rule::host << QStringLiteral("b") + host253 << false;
        addRows(Rule::address,
                {"8.8.8.8", "100.63.255.255", "100.128.0.1", "172.15.0.1", "172.32.0.1",
                 "192.1.0.1", "192.88.98.1", "198.17.0.1", "198.20.0.1", "223.255.255.255",
                 "2001:4860::1", "2001:200::1", "3fff::1"},
                {"0.1.2.3", "10.1.2.3", "127.0.0.1", "100.64.0.1", "100.127.255.255",
                 "169.254.169.254", "172.16.0.1", "172.31.255.255", "192.0.1.1", "192.0.2.1",
                 "192.168.1.1", "192.88.99.1", "198.18.0.1", "198.19.255.255", "198.51.100.7",
                 "203.0.113.9", "224.0.0.1", "255.255.255.255", "0.0.0.0", "::", "::1", "fe80::1",
                 "fd00::1", "ff02::1", "2001:db8::1", "2001:0:1::1", "2001:1ff::1", "4000::1",
                 // IPv4 inside IPv6: mapped, compatible, NAT64, 6to4
                 "::ffff:8.8.8.8", "::ffff:127.0.0.1", "::8.8.8.8", "64:ff9b::7f00:1", "2002::1",
                 "2002:7f00:1::1",
                 // only the resolver's own numeric forms are addresses
                 "127.1", "0177.0.0.1", "2130706433", "0x7f.0.0.1", "8.8.8.8.", " 8.8.8.8",
                 "8.8.8.08", "[2001:4860::1]", "2001:4860::1%eth0", "example.com", ""});
    }

    void rules() {
        QFETCH(Rule, rule);
        QFETCH(QString, text);
        const bool allowed = rule == Rule::url    ? isAllowedURL(QUrl(text, QUrl::StrictMode))
                             : rule == Rule::host ? isAllowedHost(text)
                                                  : isPublicAddress(text);
        QTEST(allowed, "expected");
    }
};

BRINDLE_REGISTER_TEST(DestinationRulesTest);
#include "destinationrulestest.moc"
