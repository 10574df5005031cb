#include "pagetext.h"
#include "passageconfirmation.h"
#include "testregistry.h"

using namespace brindle;

class PageTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reduce_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, const char *body, const char *text) {
            QTest::newRow(name) << QString::fromUtf8(body) << QString::fromUtf8(text);
        };
        row("tags and nbsp", "<p>Hello&nbsp;<b>World</b></p>", "hello world");
        row("hidden elements in any case",
            "a<script>x()</script>b<STYLE media=x>p{}</Style >c<noscript>n</noscript>d"
            "<template><p>t</p></template>e<!-- c -->f",
            "a b c d e f");
        row("comment spanning lines", "a<!--\nx\n-->b", "a b");
        row("comment opener without end is a tag", "a<!-- b > c", "a c");
        row("unclosed script swallows the rest", "keep<script>var a = 1;<p>gone</p>", "keep");
        row("script name needs a word boundary", "<scripts>x</scripts>", "x");
        row("script close matched by name", "<script>a</style>b</script>c", "c");
        row("tag spanning lines", "a<div\nclass=x>b", "a b");
        row("one pass only", "&amp;lt;", "&lt;");
        row("em dash by number", "a&#8212;b&#x2014;c", "a\u2014b\u2014c");
        row("quotes and dashes", "&ldquo;&lsquo;&rsquo;&rdquo;&ndash;&quot;&apos;&gt;",
            "\u201c\u2018\u2019\u201d\u2013\"'>");
        row("surrogate stays", "&#xD800;", "&#xd800;");
        row("beyond unicode stays", "&#1114112;", "&#1114112;");
        row("largest scalar", "&#x10FFFF;", "\U0010FFFF");
        row("over 32 bits stays", "&#x100000041;", "&#x100000041;");
        row("upper-case X stays", "&#X41;", "&#x41;");
        row("upper-case name stays", "&AMP;", "&amp;");
        row("unknown name stays", "&copy;", "&copy;");
        row("no semicolon stays", "&amp b", "&amp b");
        row("decoded brackets are not tags", "&lt;b&gt;bold&lt;/b&gt;", "<b>bold</b>");
        row("plain text", "  Some\tPlain\n\nTEXT  ", "some plain text");
        row("unicode whitespace", "a\u2003b\u00a0c\u3000d", "a b c d");
        row("empty", "", "");
    }

    void reduce() {
        QFETCH(QString, body);
        QFETCH(QString, text);
        QCOMPARE(pageText(body), text);
    }

    void passages_data() {
        QTest::addColumn<QString>("passage");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("confirmed");
        const QString page =
            QStringLiteral("<html><body><p>The bridge opened in <b>1932</b> after\n  six years.</p>"
                           "<p>Costs rose <script>track()</script>sharply.</p></body></html>");
        QTest::newRow("case, breaks and spaces differ")
            << QStringLiteral("the BRIDGE opened\n in  1932") << page << true;
        QTest::newRow("split across elements")
            << QStringLiteral("1932 after six years") << page << true;
        QTest::newRow("spans a removed script")
            << QStringLiteral("costs rose track() sharply") << page << false;
        QTest::newRow("across the removed script")
            << QStringLiteral("costs rose sharply") << page << true;
        QTest::newRow("not on the page") << QStringLiteral("opened in 1933") << page << false;
        QTest::newRow("whitespace only") << QStringLiteral(" \n\t ") << page << false;
        QTest::newRow("empty") << QString() << page << false;
        QTest::newRow("reference in the passage is not decoded")
            << QStringLiteral("fish &amp; chips") << QStringLiteral("Fish &amp; chips") << false;
        QTest::newRow("decoded page text")
            << QStringLiteral("fish & chips") << QStringLiteral("Fish &amp; chips") << true;
    }

    void passages() {
        QFETCH(QString, passage);
        QFETCH(QString, page);
        QFETCH(bool, confirmed);
        QCOMPARE(confirmPassage(passage, page), confirmed);
    }
};

BRINDLE_REGISTER_TEST(PageTextTest);
#include "pagetexttest.moc"
