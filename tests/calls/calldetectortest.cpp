// The call detector against a scripted probe, poll by poll and on the virtual scheduler.
#include "calldetector.h"
#include "testregistry.h"

#include "virtualscheduler.h"

using namespace brindle;
using namespace Qt::StringLiterals;

namespace {

/// Runs the detector over `answers`, one poll each; one character per poll: 'S' a call started,
/// 'E' it ended, '-' nothing.
QString events(const QList<QStringList> &answers) {
    qsizetype next = 0;
    CallDetector detector([&] { return answers.value(next++); });
    QString out;
    detector.onCallStarted = [&] { out += u'S'; };
    detector.onCallEnded = [&] { out += u'E'; };
    for (qsizetype i = 0; i < answers.size(); ++i) {
        const auto before = out.size();
        detector.poll();
        if (out.size() == before)
            out += u'-';
    }
    return out;
}

/// A server that takes a second of virtual time to answer.
QCoro::Task<QStringList> slowAnswer(Scheduler &scheduler, QStringList ids) {
    co_await scheduler.sleep(seconds(1));
    co_return ids;
}

const QStringList slack{QStringLiteral("com.tinyspeck.slackmacgap")};
const QStringList quiet{};

} // namespace

class CallDetectorTest : public QObject {
    Q_OBJECT

private slots:
    void pollsReportStartsAndEnds_data() {
        QTest::addColumn<QList<QStringList>>("answers");
        QTest::addColumn<QString>("expected");
        const QStringList zoom{u"zoom"_s};
        QTest::newRow("macOS helper with a longer identifier")
            << QList<QStringList>{{u"org.other"_s, u"com.tinyspeck.slackmacgap.helper"_s}}
            << u"S"_s;
        QTest::newRow("Flatpak id") << QList<QStringList>{{u"com.slack.Slack"_s}} << u"S"_s;
        QTest::newRow("binary name") << QList<QStringList>{{u"slack"_s}} << u"S"_s;
        QTest::newRow("look-alikes and other recorders never count")
            << QList<QStringList>{{u"Slack"_s, u"slack-term"_s},
                                  {u"org.mozilla.firefox"_s, u"zoom"_s},
                                  {u"com.tinyspeck"_s},
                                  {u"xslack"_s, u"com.slack"_s}}
            << u"----"_s;
        QTest::newRow("ends on the third quiet poll")
            << QList<QStringList>{slack, quiet, quiet, quiet, quiet} << u"S--E-"_s;
        QTest::newRow("one or two missing polls do not end it")
            << QList<QStringList>{slack, quiet, slack, quiet, quiet, slack, quiet, quiet, quiet}
            << u"S-------E"_s;
        QTest::newRow("another recorder does not keep the call")
            << QList<QStringList>{slack, zoom, zoom, zoom} << u"S--E"_s;
        QTest::newRow("a new call after the end")
            << QList<QStringList>{slack, quiet, quiet, quiet, slack} << u"S--ES"_s;
    }
    void pollsReportStartsAndEnds() {
        QFETCH(QList<QStringList>, answers);
        QFETCH(QString, expected);
        QCOMPARE(events(answers), expected);
    }

    // A slow or hung server: polls never pile up while an answer is out, and an answer that
    // comes after the detector is gone touches nothing.
    void pollsAreSkippedWhileTheProbeIsUnanswered() {
        test::VirtualScheduler scheduler;
        int asked = 0;
        auto detector = std::make_unique<CallDetector>(CallDetector::Probe(
            [&] { return slowAnswer(scheduler, ++asked == 1 ? slack : quiet); }));
        int starts = 0;
        detector->onCallStarted = [&] { ++starts; };
        detector->poll();
        detector->poll();
        QCOMPARE(asked, 1);
        QVERIFY(detector->isAwaitingAnswer());
        scheduler.advance(seconds(1));
        QCOMPARE(starts, 1);
        QVERIFY(!detector->isAwaitingAnswer());
        detector->poll();
        QCOMPARE(asked, 2);
        detector.reset();
        scheduler.advance(seconds(1));
        QCOMPARE(starts, 1);
    }
};

BRINDLE_REGISTER_TEST(CallDetectorTest);
#include "calldetectortest.moc"
