#include "testregistry.h"

#include <QJsonDocument>
#include <QProcess>

namespace {

struct Run {
    int exitCode;
    QList<QByteArray> output, errors;
};

Run segment(const QByteArray &input) {
    QProcess tool;
    tool.start(QStringLiteral(BRINDLE_TOOL), {QStringLiteral("segment")});
    tool.write(input);
    tool.closeWriteChannel();
    tool.waitForFinished();
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            tool.readAllStandardOutput().split('\n'), tool.readAllStandardError().split('\n')};
}

} // namespace

class SegmentToolTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportsInOrderSkippingBlankLines() {
        const auto run = segment("{\"text\":\"It is.\",\"isFinal\":false}\n\n  \r\n"
                                 "{\"text\":\"It is. \\ud83d\\udc4d ok\",\"isFinal\":true}");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.output.size(), 3); // two lines and the empty rest
        QCOMPARE(QJsonDocument::fromJson(run.output[1])[QStringLiteral("text")].toString(),
                 QStringLiteral("\U0001F44D ok"));
    }

    void everyMalformedLineIsNamedAndNothingPrinted() {
        const auto run = segment("{\"text\":\"ok\",\"isFinal\":true}\n{\"text\":\n[1]\n"
                                 "{\"text\":1,\"isFinal\":true}\n{\"text\":\"x\"}\n"
                                 "{\"text\":\"x\",\"isFinal\":\"yes\"}\n\xff\n");
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.output, QList<QByteArray>{""});
        QCOMPARE(run.errors, (QList<QByteArray>{
                                 "line 2: invalid JSON (unterminated object at byte 8)",
                                 "line 3: expected an object with \"text\" and \"isFinal\"",
                                 "line 4: \"text\" must be a string", "line 5: missing \"isFinal\"",
                                 "line 6: \"isFinal\" must be true or false",
                                 "line 7: invalid JSON (illegal value at byte 1)", ""}));
    }
};

BRINDLE_REGISTER_TEST(SegmentToolTest);
#include "segmenttooltest.moc"
