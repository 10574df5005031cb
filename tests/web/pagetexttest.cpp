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
        row("comment opener without end is a tag", "a<!-- b > c", "a c");
        row("tag and comment spanning lines", "a<div\nclass=x>b<!--\n-->c", "a b c");
        row("unclosed script swallows the rest", "keep<script>var a = 1;<p>gone</p>", "keep");
        row("script name needs a word boundary", "<scripts>x</scripts>", "x");
        row("script close matched by name", "<script>a</style>b</script>c", "c");
        row("one pass only", "&amp;lt;", "&lt;");
        row("em dash by number", "a&#8212;b&#x2014;c", "a\u2014b\u2014c");
        row("surrogate stays", "&#xD800;", "&#xd800;");
        row("largest scalar", "&#x10FFFF;", "\U0010FFFF");
        row("upper-case X stays", "&#X41;", "&#x41;");
        row("unknown name stays", "&copy;", "&copy;");
        row("no semicolon stays", "&amp b", "&amp b");
        row("decoded brackets are not tags", "&lt;b&gt;bold&lt;/b&gt;", "<b>bold</b>");
        row("plain text", "  Some\tPlain\n\nTEXT  ", "some plain text");
        row("unicode whitespace", "a\u2003b\u00a0c\u3000d", "a b c d");
        row("empty", "", "");
    }

    void reduce() {
        QFETCH(QString, body);
        QTEST(pageText(body), "text");
    }

    void passages_data() {
        QTest::addColumn<QString>("passage");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("confirmed");
        const auto row = [](const char *name, const char *passage, bool confirmed,
                            const char *page = "<html><body><p>The bridge opened in <b>1932</b> "
                                               "after\n  six years.</p><p>Costs rose <script>"
                                               "track()</script>sharply.</p></body></html>") {
            QTest::newRow(name) << QString::fromUtf8(passage) << QString::fromUtf8(page)
                                << confirmed;
        };
        row("case, breaks and spaces differ", "the BRIDGE opened\n in  1932", true);
        row("split across elements", "1932 after six years", true);
        row("spans a removed script", "costs rose track() sharply", false);
        row("across the removed script", "costs rose sharply", true);
        row("not on the page", "opened in 1933", false);
        row("empty", "", false);
        row("reference in the passage is not decoded", "fish &amp; chips", false,
            "Fish &amp; chips");
        row("decoded page text", "fish & chips", true, "Fish &amp; chips");
    }

    void passages() {
        QFETCH(QString, passage);
        QFETCH(QString, page);
        QTEST(confirmPassage(passage, page), "confirmed");
    }
};

BRINDLE_REGISTER_TEST(PageTextTest);
#include "pagetexttest.moc"
