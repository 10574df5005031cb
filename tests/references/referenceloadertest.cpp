#include "referenceloader.h"
#include "filesystem.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

using namespace brindle;

namespace {

// A folder tree built for one test inside a temporary directory.
class Tree {
public:
    QString path(const QString &relative = {}) const {
        return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
    }
    QUrl url(const QString &relative = {}) const { return QUrl::fromLocalFile(path(relative)); }

    void file(const QString &relative, const QByteArray &bytes) const {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QFile out(path(relative));
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(bytes), bytes.size());
    }
    void link(const QString &relative, const QString &target) const {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QCOMPARE(::symlink(QFile::encodeName(target).constData(),
                           QFile::encodeName(path(relative)).constData()),
                 0);
    }
    // `count` small Markdown files spread over two subfolders.
    void manyFiles(int count) const {
        for (int i = 0; i < count; ++i)
            file(QStringLiteral("%1/n%2.md").arg(i % 2 ? "odd" : "even").arg(i), "note");
    }

private:
    QTemporaryDir m_dir;
};

struct Limits {
    qint64 fileBytes = referenceMaxFileBytes;
    qint64 totalBytes = referenceMaxTotalBytes;
    qint64 files = referenceMaxFiles;
    qint64 entries = referenceMaxEntries;
};

ReferenceSnapshot folder(const Tree &tree, Limits limits = {},
                         const QList<ReferenceDocument> &existing = {}) {
    return loadFolder(tree.url(), existing, limits.fileBytes, limits.totalBytes, limits.files,
                      limits.entries, {});
}

ReferenceSnapshot files(const QList<QUrl> &urls, Limits limits = {},
                        const QList<ReferenceDocument> &existing = {}) {
    return loadFiles(urls, existing, std::nullopt, limits.fileBytes, limits.totalBytes,
                     limits.files, {});
}

QStringList names(const ReferenceSnapshot &snapshot) {
    QStringList result;
    for (const auto &document : snapshot.documents)
        result.append(document.name);
    return result;
}

// The message of the AppError the load throws, or "" when it succeeds.
template<typename Load>
QString failure(Load load) {
    try {
        load();
    } catch (const AppError &error) {
        return error.message();
    }
    return {};
}

const QString tooManyCandidates =
    QStringLiteral("Connect a smaller folder with at most 5000 Markdown or text files.");
const QString tooManyEntries = QStringLiteral(
    "This folder has too many entries. Connect a smaller folder (up to 50,000 entries).");

} // namespace

class ReferenceLoaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // With a total of 1 byte any file read would fail the load with the total limit, so the
    // candidate and entry messages show that the walk fails before any file is opened.
    void folderLimitsFailBeforeReading_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<qint64>("maxEntries");
        QTest::addColumn<QString>("message");
        const QString total =
            QStringLiteral("References exceed the limit of 5000 files or 0 MB. Choose a smaller "
                           "selection.");
        QTest::newRow("5001 files") << 5001 << qint64(50'000) << tooManyCandidates;
        // 10 files and 2 subfolders make 12 entries; the hidden folder is never visited.
        QTest::newRow("entries at the limit") << 10 << qint64(12) << total;
        QTest::newRow("entries over the limit") << 10 << qint64(11) << tooManyEntries;
    }
    void folderLimitsFailBeforeReading() {
        QFETCH(int, count);
        QFETCH(qint64, maxEntries);
        QFETCH(QString, message);
        Tree tree;
        tree.manyFiles(count);
        tree.file(QStringLiteral(".hidden/a.md"), "not counted");
        QCOMPARE(failure([&] { folder(tree, {.totalBytes = 1, .entries = maxEntries}); }), message);
    }

    void fiveThousandFilesLoad() {
        Tree tree;
        tree.manyFiles(5000);
        const auto snapshot = folder(tree);
        QCOMPARE(snapshot.documents.size(), 5000);
        QCOMPARE(snapshot.skipped, 0);
    }

    // Hidden entries and links inside a folder are neither loaded nor counted; the same items
    // chosen one by one are counted as skipped. Other file types count only when chosen.
    void hiddenLinksAndOtherFiles() {
        Tree tree;
        tree.file(QStringLiteral("notes/B.md"), "b");
        tree.file(QStringLiteral("a.md"), "a");
        tree.file(QStringLiteral("upper.MD"), "u");
        tree.file(QStringLiteral("plain.txt"), "p");
        tree.file(QStringLiteral("picture.png"), "png");
        tree.file(QStringLiteral("doc.markdown"), "m");
        tree.file(QStringLiteral(".secret.md"), "hidden");
        tree.file(QStringLiteral(".obsidian/workspace.md"), "hidden folder");
        tree.link(QStringLiteral("link.md"), tree.path(QStringLiteral("a.md")));
        tree.link(QStringLiteral("linked"), tree.path(QStringLiteral("notes")));

        const auto walked = folder(tree);
        QCOMPARE(names(walked), (QStringList{"a.md", "notes/B.md", "plain.txt", "upper.MD"}));
        QCOMPARE(walked.skipped, 0);

        const auto chosen = files({tree.url("a.md"), tree.url("picture.png"),
                                   tree.url("doc.markdown"), tree.url(".secret.md"),
                                   tree.url("link.md"), tree.url("linked"), tree.url("notes")});
        QCOMPARE(names(chosen), QStringList{"a.md"});
        QCOMPARE(chosen.skipped, 6);
    }

    void sortsByPlainCodePointOrder() {
        Tree tree;
        for (const auto name : {"a.md", "B.md", "a/b.md", "Ä.md", "z.md", "_.md"})
            tree.file(QString::fromUtf8(name), "x");
        QCOMPARE(names(folder(tree)),
                 (QStringList{"B.md", "_.md", "a.md", "a/b.md", "z.md", QStringLiteral("Ä.md")}));
    }

    // The same file chosen twice, or reached through a linked folder, loads once and is not
    // counted; its name and URL are those of the real file.
    void duplicatesThroughLinks() {
        Tree tree;
        tree.file(QStringLiteral("real/note.md"), "n");
        tree.link(QStringLiteral("alias"), tree.path(QStringLiteral("real")));
        const auto snapshot = files({tree.url("real/note.md"), tree.url("alias/note.md"),
                                     QUrl::fromLocalFile(tree.path() + "/real/../real/./note.md")});
        QCOMPARE(snapshot.documents.size(), 1);
        QCOMPARE(snapshot.skipped, 0);
        const auto expected =
            QUrl::fromLocalFile(QFileInfo(tree.path("real/note.md")).canonicalFilePath());
        QCOMPARE(snapshot.documents.first().url, expected);

        // A folder chosen through a link is walked at its real place; names stay relative.
        const auto viaLink =
            loadFolder(tree.url("alias"), {}, referenceMaxFileBytes, referenceMaxTotalBytes,
                       referenceMaxFiles, referenceMaxEntries, {});
        QCOMPARE(names(viaLink), QStringList{"note.md"});
        QCOMPARE(viaLink.documents.first().url, expected);
    }

    void skipsUnusableContent_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("loads");
        QTest::newRow("exactly 500,000 bytes") << QByteArray(500'000, 'x') << true;
        QTest::newRow("500,001 bytes") << QByteArray(500'001, 'x') << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("white space and line breaks") << QByteArray(" \n\t\r\n  ") << false;
        QTest::newRow("no-break space only") << QByteArray("\xc2\xa0\n") << false;
        QTest::newRow("invalid UTF-8") << QByteArray("caf\xe9 au lait") << false;
        QTest::newRow("encoded surrogate") << QByteArray("a\xed\xa0\x80z") << false;
        QTest::newRow("overlong encoding") << QByteArray("a\xc0\xafz") << false;
        QTest::newRow("cut multibyte character") << QByteArray("ok \xe2\x82") << false;
        QTest::newRow("UTF-8 text") << QByteArray("  Zoë: 5 km \xe2\x82\xac\n") << true;
    }
    void skipsUnusableContent() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loads);
        Tree tree;
        tree.file(QStringLiteral("f.md"), bytes);
        for (const auto &snapshot : {files({tree.url("f.md")}), folder(tree)}) {
            QCOMPARE(snapshot.documents.size(), loads ? 1 : 0);
            QCOMPARE(snapshot.skipped, loads ? 0 : 1);
            if (loads) {
                QCOMPARE(snapshot.documents.first().text.toUtf8(), bytes); // not trimmed
                QCOMPARE(snapshot.documents.first().name, QStringLiteral("f.md"));
            }
        }
    }

    void loadLimits_data() {
        QTest::addColumn<qint64>("maxTotalBytes");
        QTest::addColumn<qint64>("maxFiles");
        QTest::addColumn<QString>("message");
        // Three files of 400,000 bytes; a skipped file never counts towards the limits.
        QTest::newRow("total fits exactly") << qint64(1'200'000) << qint64(3) << QString();
        QTest::newRow("total one byte short")
            << qint64(1'199'999) << qint64(3)
            << QStringLiteral("References exceed the limit of 3 files or 1 MB. Choose a smaller "
                              "selection.");
        QTest::newRow("one file too many")
            << qint64(50'000'000) << qint64(2)
            << QStringLiteral("References exceed the limit of 2 files or 50 MB. Choose a "
                              "smaller selection.");
    }
    void loadLimits() {
        QFETCH(qint64, maxTotalBytes);
        QFETCH(qint64, maxFiles);
        QFETCH(QString, message);
        Tree tree;
        for (const auto name : {"1.md", "2.md", "3.md"})
            tree.file(QString::fromLatin1(name), QByteArray(400'000, 'y'));
        tree.file(QStringLiteral("4.md"), "   ");
        QList<QUrl> urls;
        for (const auto name : {"1.md", "4.md", "2.md", "3.md"})
            urls.append(tree.url(QString::fromLatin1(name)));
        QCOMPARE(failure([&] {
                     const auto snapshot =
                         files(urls, {.totalBytes = maxTotalBytes, .files = maxFiles});
                     QCOMPARE(snapshot.documents.size(), 3);
                 }),
                 message);
    }

    void reloadKeepsIds() {
        Tree tree;
        tree.file(QStringLiteral("kept.md"), "one");
        tree.file(QStringLiteral("changed.md"), "two");
        const auto first = folder(tree);
        tree.file(QStringLiteral("changed.md"), "two, edited");
        tree.file(QStringLiteral("new.md"), "three");
        const auto second = folder(tree, {}, first.documents);
        QCOMPARE(names(second), (QStringList{"changed.md", "kept.md", "new.md"}));
        QCOMPARE(second.documents.at(0).id, first.documents.at(0).id);
        QCOMPARE(second.documents.at(1).id, first.documents.at(1).id);
        QVERIFY(!second.documents.at(2).id.isNull());
        QVERIFY(second.documents.at(2).id != first.documents.at(0).id);
        QVERIFY(second.documents.at(2).id != first.documents.at(1).id);
        QCOMPARE(second.documents.at(0).text, QStringLiteral("two, edited"));

        // Individually chosen files match earlier documents by normalized URL too.
        tree.link(QStringLiteral("alias"), tree.path());
        const auto chosen = files({tree.url("alias/kept.md")}, {}, first.documents);
        QCOMPARE(chosen.documents.first().id, first.documents.at(1).id);
    }

    void filesOutsideTheFolderAreSkipped() {
        Tree tree;
        tree.file(QStringLiteral("vault/in.md"), "in");
        tree.file(QStringLiteral("vault-other/out.md"), "out");
        const auto snapshot = loadFiles({tree.url("vault/in.md"), tree.url("vault-other/out.md")},
                                        {}, tree.url("vault"), referenceMaxFileBytes,
                                        referenceMaxTotalBytes, referenceMaxFiles, {});
        QCOMPARE(names(snapshot), QStringList{"in.md"});
        QCOMPARE(snapshot.skipped, 1);
    }

    void platformErrorsPassThrough() {
        Tree tree;
        tree.file(QStringLiteral("a.md"), "a");
        const QString missingFile = tree.path(QStringLiteral("gone.md"));
        QCOMPARE(failure([&] {
                     files({tree.url("a.md"), QUrl::fromLocalFile(missingFile)});
                 }),
                 missingFile + QStringLiteral(": No such file or directory"));
        const QString missingFolder = tree.path(QStringLiteral("vanished"));
        QCOMPARE(
            failure([&] { loadFolder(QUrl::fromLocalFile(missingFolder), {}, 1, 1, 1, 1, {}); }),
            missingFolder + QStringLiteral(": No such file or directory"));
        QCOMPARE(failure([&] {
                     loadFolder(QUrl(QStringLiteral("https://example.com/notes")), {}, 1, 1, 1, 1,
                                {});
                 }),
                 QStringLiteral("Unable to read the selected reference folder."));
    }

    void cancellationStopsTheLoad() {
        Tree tree;
        tree.manyFiles(3);
        CancelSource source;
        source.request_stop();
        QVERIFY_THROWS_EXCEPTION(CancelledError,
                                 loadFolder(tree.url(), {}, referenceMaxFileBytes,
                                            referenceMaxTotalBytes, referenceMaxFiles,
                                            referenceMaxEntries, source.get_token()));
        QVERIFY_THROWS_EXCEPTION(CancelledError,
                                 loadFiles({tree.url("odd/n1.md")}, {}, std::nullopt,
                                           referenceMaxFileBytes, referenceMaxTotalBytes,
                                           referenceMaxFiles, source.get_token()));
    }
};

BRINDLE_REGISTER_TEST(ReferenceLoaderTest);
#include "referenceloadertest.moc"
