#include "testregistry.h"
#include "transcriptstate.h"

using namespace brindle;

namespace {

void row(const char *name, const QStringList &before, const QString &report, const QString &text,
         qint64 start, const QString &flags = {}) {
    QTest::newRow(name) << before << report << text << start << flags;
}

} // namespace

class SegmentationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void update_data() {
        QTest::addColumn<QStringList>("before"); // partial reports fed first
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<QString>("flags"); // r revised, c correction, f the report is final

        const auto is = QStringLiteral("The tower is");
        const auto tall = QStringLiteral("The tower is 300 metres tall.");
        const auto opened = tall + QStringLiteral(" It opened");
        row("first partial", {}, is, is, 0);
        row("unfinished sentence again", {is}, tall, tall, 0, QStringLiteral("r"));
        row("after a finished sentence", {is, tall}, opened, QStringLiteral("It opened"), 29);
        row("reworded beginning", {tall}, QStringLiteral("The towers are tall."),
            QStringLiteral("The towers are tall."), 0, QStringLiteral("r"));
        row("correction", {tall}, tall + QStringLiteral(" Actually, 1889"),
            tall + QStringLiteral(" Actually, 1889"), 0, QStringLiteral("rc"));
        row("microphone correction", {}, QStringLiteral("You: sorry, I meant Tuesday"),
            QStringLiteral("You: sorry, I meant Tuesday"), 0, QStringLiteral("rc"));
        row("no marker", {tall}, tall + QStringLiteral(" Nothing"), QStringLiteral("Nothing"), 29);
        row("no, wait", {tall}, tall + QStringLiteral(" No, wait"),
            tall + QStringLiteral(" No, wait"), 0, QStringLiteral("rc"));
        row("final identical to committed", {tall}, QStringLiteral("  \n") + tall, {}, 29,
            QStringLiteral("f"));
        row("final with a candidate", {is}, tall, tall, 0, QStringLiteral("rf"));
        // e + U+0301 and the toned thumb are one character each.
        row("combining marks", {QStringLiteral("Cafe\u0301 au lait.")},
            QStringLiteral("Cafe\u0301 au lait. Tre\u0300s bon"), QStringLiteral("Tre\u0300s bon"),
            13);
        row("emoji", {QStringLiteral("I \U0001F44D\U0001F3FD it!")},
            QStringLiteral("I \U0001F44D\U0001F3FD it! \U0001F1EB\U0001F1F7 wins"),
            QStringLiteral("\U0001F1EB\U0001F1F7 wins"), 7);
    }

    void update() {
        QFETCH(QStringList, before);
        QFETCH(QString, report);
        QFETCH(QString, flags);
        const bool isFinal = flags.contains(u'f');
        TranscriptState state;
        for (const auto &partial : before)
            state.update(partial, false);
        const auto result = state.update(report, isFinal);
        QTEST(result.text, "text");
        QTEST(qint64(result.start), "start");
        QCOMPARE(result.revised, flags.contains(u'r'));
        QCOMPARE(result.correction, flags.contains(u'c'));
        QCOMPARE(result.full, report.trimmed());
        QCOMPARE(result.utterance, 0);
        // A final report always leaves a fresh state for the next utterance.
        QCOMPARE(state.committed, isFinal ? QString() : report.trimmed());
        QCOMPARE(state.utterance, isFinal ? 1 : 0);
    }
};

BRINDLE_REGISTER_TEST(SegmentationTest);
#include "segmentationtest.moc"
