#include "textmeasure.h"
#include "testregistry.h"

using namespace brindle;

class TextMeasureTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clusters_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<QString>("firstTwo");
        QTest::addColumn<QString>("afterTwo");

        QTest::newRow("ascii") << QStringLiteral("Hello") << qsizetype(5) << QStringLiteral("He")
                               << QStringLiteral("llo");
        QTest::newRow("empty") << QString() << qsizetype(0) << QString() << QString();
        QTest::newRow("emoji outside the BMP")
            << QStringLiteral("\U0001F913ok") << qsizetype(3) << QStringLiteral("\U0001F913o")
            << QStringLiteral("k");
        QTest::newRow("combining mark") << QStringLiteral("e\u0301te") << qsizetype(3)
                                        << QStringLiteral("e\u0301t") << QStringLiteral("e");
        QTest::newRow("emoji with variation selector")
            << QStringLiteral("\u261D\uFE0F!x") << qsizetype(3) << QStringLiteral("\u261D\uFE0F!")
            << QStringLiteral("x");
        QTest::newRow("family ZWJ sequence")
            << QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467 a") << qsizetype(3)
            << QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467 ") << QStringLiteral("a");
        QTest::newRow("CR LF is one character") << QStringLiteral("a\r\nb") << qsizetype(3)
                                                << QStringLiteral("a\r\n") << QStringLiteral("b");
        QTest::newRow("flag") << QStringLiteral("\U0001F1EB\U0001F1F7.") << qsizetype(2)
                              << QStringLiteral("\U0001F1EB\U0001F1F7.") << QString();
    }

    void clusters() {
        QFETCH(QString, text);
        QFETCH(qsizetype, length);
        QFETCH(QString, firstTwo);
        QFETCH(QString, afterTwo);
        QCOMPARE(text::length(text), length);
        QCOMPARE(text::prefix(text, 2), firstTwo);
        QCOMPARE(text::dropFirst(text, 2), afterTwo);
        QCOMPARE(text::prefix(text, 2) + text::dropFirst(text, 2), text);
        QCOMPARE(text::prefix(text, 1000), text);
        QCOMPARE(text::dropFirst(text, 1000), QString());
        QCOMPARE(text::prefix(text, -1), QString());
    }
};

BRINDLE_REGISTER_TEST(TextMeasureTest);
#include "textmeasuretest.moc"
