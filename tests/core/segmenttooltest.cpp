#include "testregistry.h"

#include <QProcess>

class SegmentToolTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void segment_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("errors");

        QTest::newRow("reports, blank lines skipped")
            << QByteArray("{\"text\":\"It is.\",\"isFinal\":false}\n\n  \r\n"
                          "{\"text\":\"It is. Caf\\u00e9 \\ud83d\\udc4d ok\",\"isFinal\":true}\n")
            << 0
            << QByteArray("{\"correction\":false,\"full\":\"It is.\",\"revised\":false,\"start\":0,"
                          "\"text\":\"It is.\",\"utterance\":0}\n"
                          "{\"correction\":false,\"full\":\"It is. Caf\xC3\xA9 \xF0\x9F\x91\x8D "
                          "ok\",\"revised\":false,\"start\":6,\"text\":\"Caf\xC3\xA9 \xF0\x9F\x91"
                          "\x8D ok\",\"utterance\":0}\n")
            << QByteArray();
        QTest::newRow("every bad line named, nothing printed")
            << QByteArray("{\"text\":\"ok\",\"isFinal\":true}\n{\"text\":\n[1]\n"
                          "{\"text\":1,\"isFinal\":true}\n{\"text\":\"x\"}\n"
                          "{\"text\":\"x\",\"isFinal\":\"yes\"}\n\xff\n")
            << 2 << QByteArray()
            << QByteArray("line 2: invalid JSON (unterminated object at byte 8)\n"
                          "line 3: expected an object with \"text\" and \"isFinal\"\n"
                          "line 4: \"text\" must be a string\n"
                          "line 5: missing \"isFinal\"\n"
                          "line 6: \"isFinal\" must be true or false\n"
                          "line 7: invalid JSON (illegal value at byte 1)\n");
    }

    void segment() {
        QFETCH(QByteArray, input);
        QProcess tool;
        tool.start(QStringLiteral(BRINDLE_TOOL), {QStringLiteral("segment")});
        QVERIFY(tool.waitForStarted());
        tool.write(input);
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QTEST(tool.exitCode(), "exitCode");
        QTEST(tool.readAllStandardOutput(), "output");
        QTEST(tool.readAllStandardError(), "errors");
    }
};

BRINDLE_REGISTER_TEST(SegmentToolTest);
#include "segmenttooltest.moc"
