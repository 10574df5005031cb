#include "report.h"
#include "historytestdata.h"
#include "testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace brindle;
using namespace brindle::test;

// Times are shown in local time: the test runs with TZ=UTC.
class ReportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyFormatSaysWhatWasFound_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("markdown")
            << "md"
            << QStringList{"# Brindle report: Live session · Firefox",
                           "- Started 2026-12-06 21:10 · ended 21:40",
                           "- Checked 12 · skipped 1 · filtered 3 · 2 findings",
                           "## 1. Source disagrees · Heard 21:12:03",
                           "> \"The bridge opened in 1932.\"",
                           "- [Bridge history](<https://h.example/b?x=1&y=2>)",
                           "  > The bridge opened\n  > in 1937.",
                           "- notes (reference document notes.md)",
                           "Water boils at \\<b\\>100\\</b\\> degrees & more."}
            << QStringList{"/home/ann", "<b>"};
        QTest::newRow("html")
            << "html"
            << QStringList{"<a href=\"https://h.example/b?x=1&amp;y=2\"",
                           "<span class=\"symbol\">!</span>Source disagrees</span>",
                           "--tint: #ff9f0a",
                           "--tint: #66d4cf",
                           "Heard 21:12:03",
                           "<blockquote class=\"passage\">The bridge opened\nin 1937.</blockquote>",
                           "notes (reference document notes.md)",
                           "&lt;b&gt;100&lt;/b&gt; degrees &amp; more",
                           "content=\"default-src 'none'; style-src 'unsafe-inline'\""}
            << QStringList{"/home/ann", "<b>100", "<script", "src="};
        QTest::newRow("json") << "json"
                              << QStringList{"\"document\": \"notes.md\"",
                                             "\"heardAt\": \"2026-12-06T21:12:03.000Z\""}
                              << QStringList{"/home/ann"};
    }
    void everyFormatSaysWhatWasFound() {
        QFETCH(QString, format);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        const auto record = sampleRecord();
        const QString plain =
            QString::fromUtf8(writeReport(record, *reportFormatFromName(format), {false}));
        for (const auto &text : present)
            QVERIFY2(plain.contains(text), qPrintable(text));
        for (const auto &text : absent)
            QVERIFY2(!plain.contains(text), qPrintable(text));
        // The transcript only when asked for.
        QVERIFY(!plain.contains(QStringLiteral("You: really?")));
        const QString full =
            QString::fromUtf8(writeReport(record, *reportFormatFromName(format), {true}));
        QVERIFY(full.contains(QStringLiteral("You: really?")));
    }

    void jsonCarriesTheWholeSession() {
        auto record = sampleRecord();
        record.summary.kind = SessionKind::recording;
        record.findings[1].heardAt.reset();
        record.findings[1].position = 3725.4;
        const auto json = QJsonDocument::fromJson(jsonReport(record, {true})).object();
        QCOMPARE(json[QStringLiteral("kind")].toString(), QStringLiteral("recording"));
        QCOMPARE(json[QStringLiteral("evidenceMode")].toString(),
                 QStringLiteral("References + web"));
        QCOMPARE(json[QStringLiteral("counts")][QStringLiteral("filtered")].toInt(), 3);
        const auto findings = json[QStringLiteral("findings")].toArray();
        QCOMPARE(findings.size(), 2);
        const auto first = findings[0].toObject();
        QCOMPARE(first[QStringLiteral("claim")].toString(),
                 QStringLiteral("The bridge opened in 1932."));
        QCOMPARE(first[QStringLiteral("verdict")].toString(), QStringLiteral("contradicted"));
        QCOMPARE(first[QStringLiteral("sources")][0][QStringLiteral("url")].toString(),
                 QStringLiteral("https://h.example/b?x=1&y=2"));
        QCOMPARE(findings[1][QStringLiteral("at")].toString(), QStringLiteral("1:02:05"));
        QCOMPARE(json[QStringLiteral("transcript")].toString(), record.transcript);
    }
};

BRINDLE_REGISTER_TEST(ReportTest);

#include "reporttest.moc"
