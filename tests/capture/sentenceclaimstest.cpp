// Continuous speech through the real recognizer and the real claim intake (brindle-tool claims):
// sentences spoken with short pauses between them become one claim each, none withdrawn.
#include "encodedmedia.h"
#include "filetree.h"
#include "testregistry.h"
#include "wavfile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <ranges>

using brindle::wavBytes;

namespace {

QByteArray silence(double seconds) {
    return QByteArray(qsizetype(seconds * 16000) * 2, '\0');
}

QStringList wordsOf(const QString &text) {
    static const QRegularExpression nonWord(QStringLiteral("[^a-z' ]"));
    return text.toLower().replace(nonWord, QStringLiteral(" ")).split(u' ', Qt::SkipEmptyParts);
}

int shared(QStringList a, const QStringList &b) {
    int count = 0;
    for (const auto &word : b)
        count += a.removeOne(word);
    return count;
}

struct Run {
    int exitCode = -1;
    QList<QJsonObject> events;
    QString errors;
};

Run claims(const QString &path) {
    QProcess tool;
    tool.start(QStringLiteral(BRINDLE_TOOL), {QStringLiteral("claims"), path});
    tool.waitForFinished(240000);
    Run run{tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            {},
            QString::fromUtf8(tool.readAllStandardError())};
    for (const auto &line : tool.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            run.events.append(QJsonDocument::fromJson(line).object());
    }
    return run;
}

} // namespace

class SentenceClaimsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eachSentenceBecomesOneClaim() {
        const QStringList sentences{
            QStringLiteral("The governor signed the budget bill in March."),
            QStringLiteral("Unemployment fell to four percent last year."),
            QStringLiteral("The city built three new schools since two thousand ten."),
            QStringLiteral("Crime in the capital dropped by half over the last decade."),
            QStringLiteral("The senator voted against the farm bill twice."),
            QStringLiteral("Exports to China grew by twelve percent in the first quarter."),
        };
        const QList<double> pauses{0.3, 0.45, 0.6, 0.35, 0.5};
        brindle::test::FileTree dir;
        QByteArray samples = silence(0.5);
        for (qsizetype i = 0; i < sentences.size(); ++i) {
            const auto path = dir.path(QStringLiteral("%1.wav").arg(i));
            QVERIFY(brindle::test::speak(sentences[i], path));
            auto spoken = std::get<brindle::WavAudio>(brindle::readWav(path)).samples;
            // flite pads each sentence with silence of its own; keep only the speech.
            const auto *s = reinterpret_cast<const qint16 *>(spoken.constData());
            qsizetype first = 0, last = spoken.size() / 2 - 1;
            while (first < last && std::abs(s[first]) < 300)
                ++first;
            while (last > first && std::abs(s[last]) < 300)
                --last;
            samples += spoken.mid(first * 2, (last - first + 1) * 2);
            samples += silence(i < pauses.size() ? pauses[i] : 1.0);
        }

        const auto run =
            claims(dir.file(QStringLiteral("speech.wav"), wavBytes(samples)).toLocalFile());
        QCOMPARE(run.exitCode, 0);
        int own = 0;
        QStringList checks;
        for (const auto &event : run.events) {
            QCOMPARE(event[QStringLiteral("event")].toString(), QStringLiteral("check"));
            checks << event[QStringLiteral("text")].toString();
        }
        // Each check goes to the sentence it shares most of its words with. A sentence is a claim
        // of its own when exactly one check goes to it, holding most of its words and little else
        // (recognition errors allowed).
        QList<QStringList> assigned(sentences.size());
        for (const auto &check : checks) {
            const auto share = [&](qsizetype i) {
                const auto expected = wordsOf(sentences[i]);
                return double(shared(expected, wordsOf(check))) / expected.size();
            };
            const auto indices = std::views::iota(qsizetype(0), sentences.size());
            assigned[*std::ranges::max_element(indices, {}, share)] << check;
        }
        for (qsizetype i = 0; i < sentences.size(); ++i) {
            if (assigned[i].size() != 1)
                continue;
            const auto expected = wordsOf(sentences[i]);
            const auto got = wordsOf(assigned[i].front());
            const int common = shared(expected, got);
            own += common * 3 >= expected.size() * 2 && common * 4 >= got.size() * 3;
        }
        QVERIFY2(own * 10 >= sentences.size() * 8, qPrintable(checks.join(u'|')));
    }

    void refusesAudioItCannotRecognize() {
        brindle::test::FileTree dir;
        auto bytes = wavBytes(silence(0.2));
        qToLittleEndian<quint16>(2, bytes.data() + 22); // two channels
        const auto run = claims(dir.file(QStringLiteral("stereo.wav"), bytes).toLocalFile());
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.events.isEmpty());
        QVERIFY(run.errors.contains(QStringLiteral("16 kHz mono")));
    }
};

BRINDLE_REGISTER_TEST(SentenceClaimsTest);
#include "sentenceclaimstest.moc"
