#include "providerfailure.h"
#include "testregistry.h"

using namespace brindle;

class ProviderFailureTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void errorDetail_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("detail"); // null: no detail
        const auto key = QStringLiteral("or-v1-secret");
        QTest::newRow("nested message with the sent key")
            << QByteArray("{\"error\":{\"message\":\"Bad key or-v1-secret here\"}}") << key
            << QStringLiteral("Bad key [key] here");
        QTest::newRow("error string, whitespace collapsed")
            << QByteArray("{\"error\":\"  a \\u00a0\\t b\\n\\n\\r\\n c  \"}") << key
            << QStringLiteral("a b c");
        QTest::newRow("error object without a string message falls back")
            << QByteArray("{\"error\":{\"message\":7,\"code\":400},\"message\":\"top\"}") << key
            << QStringLiteral("top");
        QTest::newRow("nested message wins over top level")
            << QByteArray("{\"error\":{\"message\":\"inner\"},\"message\":\"top\"}") << key
            << QStringLiteral("inner");
        QTest::newRow("short key kept, key-shaped tokens masked")
            << QByteArray("{\"message\":\"abc sk-ABCDEFGH_1 tsk-12345678-x tsk-1234567\"}")
            << QStringLiteral("abc") << QStringLiteral("abc [key] [key] tsk-1234567");
        QTest::newRow("key with pattern characters is replaced literally")
            << QByteArray("{\"message\":\"k (a+b)* k aab\"}") << QStringLiteral("(a+b)*")
            << QStringLiteral("k (a+b)* k aab");
        QTest::newRow("8-character key with pattern characters")
            << QByteArray("{\"message\":\"got .*.*.*.* then xyxyxyxy\"}")
            << QStringLiteral(".*.*.*.*") << QStringLiteral("got [key] then xyxyxyxy");
        QTest::newRow("no message member")
            << QByteArray("{\"error\":{\"code\":1}}") << key << QString();
        QTest::newRow("not JSON") << QByteArray("<html>502</html>") << key << QString();
    }

    void errorDetail() {
        QFETCH(QByteArray, body);
        QFETCH(QString, key);
        QFETCH(QString, detail);
        const auto got = brindle::errorDetail(body, key);
        if (detail.isNull())
            QVERIFY2(!got, qPrintable(got.value_or(QString())));
        else
            QCOMPARE(got, std::optional<QString>(detail));
    }

    // Lengths are user-perceived characters: an accented letter written as two code points is one.
    void longDetailIsCutTo200Characters_data() {
        QTest::addColumn<QString>("unit");
        QTest::newRow("ascii") << QStringLiteral("x");
        QTest::newRow("decomposed accent") << QStringLiteral("e\u0301");
    }

    void longDetailIsCutTo200Characters() {
        QFETCH(QString, unit);
        const auto message = [](const QString &text) {
            return QByteArray("{\"message\":\"") + text.toUtf8() + "\"}";
        };
        QCOMPARE(brindle::errorDetail(message(unit.repeated(200)), QString()), unit.repeated(200));
        QCOMPARE(brindle::errorDetail(message(unit.repeated(500)), QString()),
                 unit.repeated(199) + QChar(0x2026));
    }
};

BRINDLE_REGISTER_TEST(ProviderFailureTest);
#include "providerfailuretest.moc"
