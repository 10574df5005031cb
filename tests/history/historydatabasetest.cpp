#include "historydatabase.h"
#include "filetree.h"
#include "historyschema.h"
#include "historytestdata.h"
#include "testregistry.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace brindle;
using namespace brindle::test;

namespace {

SessionStart startOf(const SessionSummary &s) {
    return {s.key, s.kind, s.startedAt, s.source, s.evidenceMode};
}

// Writes `record` the way the recorder does, without finishing unless asked.
void store(HistoryDatabase &db, const SessionRecord &record, bool finish = true) {
    db.beginSession(startOf(record.summary));
    for (const auto &finding : record.findings)
        db.addFinding(record.summary.key, finding, record.summary.counts);
    int line = 0;
    for (const auto &text : record.transcript.split(u'\n'))
        db.setTranscriptLine(record.summary.key, line++, text);
    if (finish)
        db.finishSession(record.summary.key, *record.summary.endedAt, record.summary.counts);
}

// Runs `statement` on the file through a connection of its own.
QVariant rawQuery(const QString &path, const QString &statement) {
    QVariant value;
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        if (q.exec(statement) && q.next())
            value = q.value(0);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return value;
}

QByteArray bytesOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class HistoryDatabaseTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sessionsComeBackAsWrittenNewestFirst() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("h/history.sqlite"));
        auto opened = HistoryDatabase::open(path);
        QVERIFY(opened.database);
        QVERIFY(opened.notice.isEmpty());
        SessionRecord live = sampleRecord();
        SessionRecord recording = sampleRecord();
        recording.summary.key = QUuid::createUuid();
        recording.summary.kind = SessionKind::recording;
        recording.summary.source = QStringLiteral("debate.mp3");
        recording.summary.startedAt = live.summary.startedAt.addDays(1);
        recording.findings.removeLast();
        recording.findings[0].heardAt.reset();
        recording.findings[0].position = 201.5;
        store(*opened.database, live);
        store(*opened.database, recording, false);

        const auto list = opened.database->sessions();
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[0].source, QStringLiteral("debate.mp3"));
        QCOMPARE(list[0].endedAt, std::nullopt);
        QCOMPARE(list[0].findingCount, 1);
        QCOMPARE(list[1].counts, live.summary.counts);

        const auto read = opened.database->session(list[1].id);
        QVERIFY(read);
        QCOMPARE(read->summary.kind, SessionKind::live);
        QCOMPARE(read->summary.evidenceMode, EvidenceMode::combined);
        QCOMPARE(read->summary.endedAt, live.summary.endedAt);
        QCOMPARE(read->findings, live.findings);
        QCOMPARE(read->transcript, live.transcript);
        QCOMPARE(opened.database->session(list[0].id)->findings, recording.findings);

        // What a crash leaves on disk (the files as they are, never closed) holds every commit.
        const QString copy = dir.filePath(QStringLiteral("copy.sqlite"));
        for (const auto suffix : {"", "-wal"})
            QVERIFY(QFile::copy(path + QLatin1String(suffix), copy + QLatin1String(suffix)));
        auto reopened = HistoryDatabase::open(copy);
        QCOMPARE(reopened.database->session(list[1].id)->findings, live.findings);

        // Deleting takes the findings and transcript along.
        opened.database->deleteSession(list[1].id);
        QCOMPARE(opened.database->sessions().size(), 1);
        opened.database->deleteAll();
        // Writes still under way for a deleted session are dropped.
        opened.database->addFinding(recording.summary.key, recording.findings[0], {});
        opened.database->setTranscriptLine(recording.summary.key, 0, QStringLiteral("text"));
        QVERIFY(opened.database->sessions().isEmpty());
        opened.database.reset();
        QCOMPARE(rawQuery(path, QStringLiteral("SELECT count(*) FROM findings")).toInt(), 0);
        QCOMPARE(rawQuery(path, QStringLiteral("SELECT count(*) FROM transcript_lines")).toInt(),
                 0);
    }

    void unreadableFilesAreSetAside_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("asidePrefix");
        QTest::newRow("not a database") << "garbage"
                                        << "could not be read"
                                        << "history.damaged-";
        QTest::newRow("a newer schema") << "PRAGMA user_version = 99"
                                        << "newer version"
                                        << "history.newer-";
        QTest::newRow("someone else's tables") << "CREATE TABLE notes (x)"
                                               << "could not be read"
                                               << "history.damaged-";
    }
    void unreadableFilesAreSetAside() {
        QFETCH(QString, setup);
        QFETCH(QString, notice);
        QFETCH(QString, asidePrefix);
        FileTree files;
        const QString path = files.path(QStringLiteral("history.sqlite"));
        if (setup == QLatin1String("garbage"))
            files.file(QStringLiteral("history.sqlite"), QByteArray(8192, 'x'));
        else
            rawQuery(path, setup);
        const QByteArray original = bytesOf(path);

        // The tool only reads: it reports and leaves the file alone.
        const auto readOnly = HistoryDatabase::openReadOnly(path);
        QVERIFY(!readOnly.database);
        QVERIFY(!readOnly.notice.isEmpty());

        auto opened = HistoryDatabase::open(path);
        QVERIFY2(opened.notice.contains(notice), qPrintable(opened.notice));
        const QStringList aside =
            QDir(files.path()).entryList({asidePrefix + QStringLiteral("*.sqlite")});
        QCOMPARE(aside.size(), 1);
        QVERIFY(opened.notice.contains(aside.first()));
        QCOMPARE(bytesOf(files.path(aside.first())), original);
        // The fresh history works and is at the current version.
        QVERIFY(opened.database);
        opened.database->beginSession(startOf(sampleRecord().summary));
        QCOMPARE(opened.database->sessions().size(), 1);
        opened.database.reset();
        QCOMPARE(rawQuery(path, QStringLiteral("PRAGMA user_version")).toInt(),
                 history::currentSchemaVersion);
    }
};

BRINDLE_REGISTER_TEST(HistoryDatabaseTest);

#include "historydatabasetest.moc"
