// Speed and memory of the reference layer at the largest allowed corpus: 5,000 Markdown files
// holding 50 MB of text. Generates its own vault in a temporary folder, then measures loadFolder
// (warm file cache), building the search index, the resident memory both keep, and
// selectPassages for 20-token claims. Prints medians.
#include "notecorpus.h"
#include "passageselection.h"
#include "referenceloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <unistd.h>

using namespace brindle;

namespace {

constexpr int fileCount = 5000;
constexpr qint64 totalBytes = 50'000'000;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const auto n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Resident memory in bytes after handing freed heap pages back to the system.
qint64 residentBytes() {
    ::malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const auto fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

double threadCpuMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Wall-clock and CPU milliseconds of runs of some work. The machine is shared, so CPU time is
// printed beside wall time: it shows the cost of the work itself when other jobs compete.
struct Timings {
    std::vector<double> wall;
    std::vector<double> cpu;

    template<typename Work>
    void measure(Work work) {
        QElapsedTimer timer;
        const double cpuStart = threadCpuMilliseconds();
        timer.start();
        work();
        wall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMilliseconds() - cpuStart);
    }
};

void report(const char *what, const Timings &timings) {
    std::printf("%-56s %9.1f ms wall %9.1f ms cpu\n", what, median(timings.wall),
                median(timings.cpu));
    std::fflush(stdout);
}

void report(const char *what, double value, const char *unit) {
    std::printf("%-56s %9.1f %s\n", what, value, unit);
    std::fflush(stdout);
}

qint64 writeVault(const QString &root, const QStringList &notes) {
    qint64 bytes = 0;
    for (int i = 0; i < notes.size(); ++i) {
        const QString folder = root + QStringLiteral("/area%1").arg(i % 50, 2, 10, QChar(u'0'));
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/note%1.md").arg(i, 4, 10, QChar(u'0')));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the generated vault");
        bytes += file.write(notes.at(i).toUtf8());
    }
    return bytes;
}

// Document scoring as a literal reading does it: lower-case every document for every claim.
qsizetype literalScoring(const QString &claim, const QList<ReferenceDocument> &documents) {
    const auto tokens = claimTokens(claim);
    qsizetype hits = 0;
    for (const auto &document : documents) {
        const QString lowered = document.text.toLower();
        for (const auto &token : tokens)
            hits += lowered.contains(token) ? 1 : 0;
    }
    return hits;
}

// The same kind of text in Cyrillic letters: every character needs the full case mapping and
// the grapheme count.
QString cyrillic(const QString &note) {
    QString text = note;
    for (auto &c : text) {
        const auto u = c.unicode();
        if (u >= u'a' && u <= u'z')
            c = QChar(char16_t(0x0430 + (u - u'a')));
        else if (u >= u'A' && u <= u'Z')
            c = QChar(char16_t(0x0410 + (u - u'A')));
    }
    return text;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir vault;
    bench::NoteCorpus generator(2026);
    {
        const QStringList notes = generator.notes(fileCount, totalBytes);
        const qint64 written = writeVault(vault.path(), notes);
        std::printf("generated vault: %d files, %lld bytes\n", fileCount,
                    static_cast<long long>(written));
    }
    const auto load = [&] {
        return loadFolder(QUrl::fromLocalFile(vault.path()), {}, referenceMaxFileBytes,
                          referenceMaxTotalBytes, referenceMaxFiles, referenceMaxEntries, {});
    };
    load(); // warms the file cache

    Timings loadTimes;
    for (int run = 0; run < 7; ++run)
        loadTimes.measure([&] { load(); });
    report("loadFolder, 5,000 files / 50 MB, warm cache (median of 7)", loadTimes);

    const qint64 before = residentBytes();
    ReferenceSnapshot snapshot = load();
    const qint64 withDocuments = residentBytes();
    qint64 textBytes = 0;
    for (const auto &document : snapshot.documents)
        textBytes += document.text.toUtf8().size();

    Timings buildTimes;
    for (int run = 0; run < 3; ++run)
        buildTimes.measure([&] { ReferenceCorpus scratch(snapshot.documents); });
    report("ReferenceCorpus index build (median of 3)", buildTimes);

    const qint64 beforeIndex = residentBytes();
    const ReferenceCorpus corpus(snapshot.documents);
    const qint64 withIndex = residentBytes();
    const double mb = 1e6;
    report("text loaded (UTF-8)", static_cast<double>(textBytes) / mb, "MB");
    report("RSS of the loaded documents", static_cast<double>(withDocuments - before) / mb, "MB");
    report("RSS of the search index", static_cast<double>(withIndex - beforeIndex) / mb, "MB");
    report("documents + index per byte of text",
           static_cast<double>(withDocuments - before + withIndex - beforeIndex) /
               static_cast<double>(textBytes),
           "x");
    std::printf("vocabulary: %lld words\n", static_cast<long long>(corpus.vocabularySize()));

    // What the session does when it combines folder and file references, or removes one.
    const ReferenceCorpus firstHalf(snapshot.documents.mid(0, fileCount / 2));
    const ReferenceCorpus secondHalf(snapshot.documents.mid(fileCount / 2));
    Timings combineTimes;
    for (int run = 0; run < 5; ++run)
        combineTimes.measure([&] { ReferenceCorpus::concatenated(firstHalf, secondHalf); });
    report("concatenating two indexed halves (median of 5)", combineTimes);
    QList<qsizetype> allButOne;
    for (qsizetype i = 1; i < corpus.size(); ++i)
        allButOne.append(i);
    Timings subsetTimes;
    for (int run = 0; run < 5; ++run)
        subsetTimes.measure([&] { corpus.subset(allButOne); });
    report("removing one document from the index (median of 5)", subsetTimes);

    Timings selectTimes;
    for (int run = 0; run < 31; ++run) {
        const QString claim = generator.claim(20);
        if (claimTokens(claim).size() != 20)
            qFatal("the generated claim does not hold 20 tokens");
        selectTimes.measure([&] { selectPassages(claim, corpus); });
    }
    report("selectPassages, 20-token claims (median of 31)", selectTimes);

    Timings literalTimes;
    for (int run = 0; run < 3; ++run) {
        const QString claim = generator.claim(20);
        literalTimes.measure([&] { literalScoring(claim, snapshot.documents); });
    }
    report("for comparison: literal scoring only (median of 3)", literalTimes);

    // Worst case for excerpting: 100 files of about 480 KB, all non-ASCII, so that each of the
    // five kept documents has hundreds of paragraphs to score.
    QList<ReferenceDocument> large;
    {
        bench::NoteCorpus bulk(7);
        const QStringList notes = bulk.notes(100, 100 * 480'000);
        for (int i = 0; i < notes.size(); ++i)
            large.append({QUuid::createUuid(), QStringLiteral("big%1.md").arg(i),
                          cyrillic(notes.at(i)), QUrl()});
    }
    const ReferenceCorpus largeCorpus(large);
    Timings largeTimes;
    for (int run = 0; run < 15; ++run) {
        const QString claim = cyrillic(generator.claim(20));
        largeTimes.measure([&] { selectPassages(claim, largeCorpus); });
    }
    report("selectPassages, 100 Cyrillic files of 480 KB (median of 15)", largeTimes);
    return 0;
}
