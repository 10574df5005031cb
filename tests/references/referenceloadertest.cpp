#include "referenceloader.h"
#include "filesystem.h"
#include "filetree.h"
#include "mapped.h"
#include "testregistry.h"

#include <fcntl.h>

using namespace brindle;
using namespace Qt::StringLiterals;

namespace {

struct Limits {
    qint64 totalBytes = referenceMaxTotalBytes;
    qint64 files = referenceMaxFiles;
    qint64 entries = referenceMaxEntries;
};

ReferenceSnapshot folder(const QUrl &url, Limits limits = {}) {
    return loadFolder(url, {}, referenceMaxFileBytes, limits.totalBytes, limits.files,
                      limits.entries, {});
}

ReferenceSnapshot files(const QList<QUrl> &urls, Limits limits = {}) {
    return loadFiles(urls, {}, {}, referenceMaxFileBytes, limits.totalBytes, limits.files, {});
}

QStringList names(const ReferenceSnapshot &snapshot) {
    return test::mapped(snapshot.documents, &ReferenceDocument::name);
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

QString overLimits(int files, int megabytes) {
    return u"References exceed the limit of %1 files or %2 MB. Choose a smaller selection."_s
        .arg(files)
        .arg(megabytes);
}

} // namespace

class ReferenceLoaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // With a total of 1 byte the first file read fails the load with the total limit, so the
    // candidate and entry messages show that the walk fails before any file is opened.
    void folderLimitsFailBeforeReading_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<qint64>("maxEntries");
        QTest::addColumn<QString>("message");
        QTest::newRow("5000 files reach reading") << 5000 << qint64(50'000) << overLimits(5000, 0);
        QTest::newRow("5001 files")
            << 5001 << qint64(50'000)
            << u"Connect a smaller folder with at most 5000 Markdown or text files."_s;
        // 10 files and 2 subfolders make 12 entries; the hidden folder is never visited.
        QTest::newRow("entries at the limit") << 10 << qint64(12) << overLimits(5000, 0);
        QTest::newRow("entries over the limit")
            << 10 << qint64(11)
            << u"This folder has too many entries. Connect a smaller folder (up to 50,000 "
               u"entries)."_s;
    }
    void folderLimitsFailBeforeReading() {
        QFETCH(int, count);
        QFETCH(qint64, maxEntries);
        QFETCH(QString, message);
        test::FileTree tree;
        tree.files(u"even/n%1.md"_s, count / 2);
        tree.files(u"odd/n%1.md"_s, count - count / 2);
        tree.file(".hidden/a.md");
        QCOMPARE(failure([&] { folder(tree.url(), {.totalBytes = 1, .entries = maxEntries}); }),
                 message);
    }

    // Hidden entries and links inside a folder are neither loaded nor counted; the same items
    // chosen one by one are counted as skipped. Other file types count only when chosen.
    void hiddenLinksAndOtherFiles() {
        test::FileTree tree;
        for (const auto name : {"notes/B.md", "a.md", "upper.MD", "plain.txt", "picture.png",
                                "doc.markdown", ".secret.md", ".obsidian/workspace.md"})
            tree.file(QString::fromLatin1(name));
        tree.link("link.md", "a.md");
        tree.link("linked", "notes");
        // A name that is not UTF-8 reaches the loader with U+FFFD in place of its bytes.
        const QByteArray latin1Name = QFile::encodeName(tree.path()) + "/caf\xe9.md";
        const int fd = ::open(latin1Name.constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0 && ::write(fd, "x", 1) == 1 && ::close(fd) == 0);

        const auto walked = folder(tree.url());
        QCOMPARE(names(walked), (QStringList{"a.md", "notes/B.md", "plain.txt", "upper.MD"}));
        QCOMPARE(walked.skipped, 0);

        // A file chosen again, through a linked folder or by a longer path, loads once as the real
        // file and is not counted.
        const auto chosen =
            files(tree.urls({"a.md", "picture.png", "doc.markdown", ".secret.md", "link.md",
                             "linked", "notes", "linked/B.md", "notes/../notes/./B.md"})
                  << QUrl::fromLocalFile(QFile::decodeName(latin1Name)));
        QCOMPARE(names(chosen), (QStringList{"a.md", "B.md"}));
        QCOMPARE(chosen.skipped, 7);
        QCOMPARE(chosen.documents.last().url,
                 QUrl::fromLocalFile(QFileInfo(tree.path("notes/B.md")).canonicalFilePath()));
    }

    // Too large, blank or not UTF-8: skipped and counted, whether chosen or walked; text that
    // loads is kept as it is, not trimmed.
    void skipsUnusableContent() {
        test::FileTree tree;
        const QByteArray largest(500'000, 'x'), text("  Zo\xc3\xab: 5 km \xe2\x82\xac\n");
        const QList<QUrl> urls{
            tree.file("largest.md", largest), tree.file("over.md", QByteArray(500'001, 'x')),
            tree.file("blank.md", " \n\t\r\n  "), tree.file("latin1.md", "caf\xe9 au lait"),
            tree.file("text.md", text)};
        for (const auto &snapshot : {files(urls), folder(tree.url())}) {
            QCOMPARE(test::mapped(snapshot.documents, &ReferenceDocument::text),
                     (QStringList{QString::fromUtf8(largest), QString::fromUtf8(text)}));
            QCOMPARE(snapshot.skipped, 3);
        }
    }

    void loadLimits_data() {
        QTest::addColumn<qint64>("maxTotalBytes");
        QTest::addColumn<qint64>("maxFiles");
        QTest::addColumn<QString>("message");
        // Three files of 400,000 bytes; a skipped file never counts towards the limits.
        QTest::newRow("total fits exactly") << qint64(1'200'000) << qint64(3) << QString();
        QTest::newRow("total one byte short") << qint64(1'199'999) << qint64(3) << overLimits(3, 1);
        QTest::newRow("one file too many") << qint64(50'000'000) << qint64(2) << overLimits(2, 50);
    }
    void loadLimits() {
        QFETCH(qint64, maxTotalBytes);
        QFETCH(qint64, maxFiles);
        QFETCH(QString, message);
        test::FileTree tree;
        for (const auto name : {"1.md", "2.md", "3.md"})
            tree.file(QString::fromLatin1(name), QByteArray(400'000, 'y'));
        tree.file("4.md", "   ");
        const auto urls = tree.urls({"1.md", "4.md", "2.md", "3.md"});
        QCOMPARE(failure([&] {
                     const auto snapshot =
                         files(urls, {.totalBytes = maxTotalBytes, .files = maxFiles});
                     QCOMPARE(snapshot.documents.size(), 3);
                 }),
                 message);
    }

    void platformErrorsPassThrough() {
        test::FileTree tree;
        tree.file("a.md");
        const QString missing = u": No such file or directory"_s;
        QCOMPARE(failure([&] {
                     files(tree.urls({"a.md", "gone.md"}));
                 }),
                 tree.path("gone.md") + missing);
        QCOMPARE(failure([&] { folder(tree.url("vanished")); }), tree.path("vanished") + missing);
    }
};

BRINDLE_REGISTER_TEST(ReferenceLoaderTest);
#include "referenceloadertest.moc"
