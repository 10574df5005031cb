// brindle-tool commands over the reference loader and passage selection.
#include "commands.h"
#include "passageselection.h"
#include "referenceloader.h"
#include "referencepaths.h"
#include "toolio.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

namespace brindle::tool {

namespace {

int printFailure(const AppError &error) {
    printJson(QJsonObject{{QStringLiteral("error"), error.message()}});
    return negative;
}

int loadReferences(QStringList args) {
    if (args.isEmpty()) {
        printError(QStringLiteral("usage: brindle-tool load-references PATH..."));
        return usage;
    }
    try {
        const auto snapshot = loadReferencePaths(args);
        qint64 bytes = 0;
        for (const auto &document : snapshot.documents)
            bytes += document.text.toUtf8().size();
        printJson(QJsonObject{{QStringLiteral("documents"), snapshot.documents.size()},
                              {QStringLiteral("skipped"), snapshot.skipped},
                              {QStringLiteral("bytes"), bytes}});
        return positive;
    } catch (const AppError &error) {
        return printFailure(error);
    }
}

int selectPassagesCommand(QStringList args) {
    bool missing = false;
    const auto claim = takeOption(args, QStringLiteral("--claim"), missing);
    const auto repeatText = takeOption(args, QStringLiteral("--repeat"), missing);
    bool repeatValid = true;
    const int repeat = repeatText ? repeatText->toInt(&repeatValid) : 0;
    if (missing || !claim || args.isEmpty() || !repeatValid || repeat < 0) {
        printError(QStringLiteral(
            "usage: brindle-tool select-passages --claim TEXT [--repeat N] PATH..."));
        return usage;
    }
    try {
        const ReferenceCorpus corpus(loadReferencePaths(args).documents);
        auto selected = selectPassages(*claim, corpus);
        if (repeat > 0) {
            std::vector<double> times;
            for (int run = 0; run < repeat; ++run) {
                QElapsedTimer timer;
                timer.start();
                selected = selectPassages(*claim, corpus);
                times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            }
            std::sort(times.begin(), times.end());
            const auto n = times.size();
            const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
            printError(QStringLiteral("median %1 ms per selection over %2 runs")
                           .arg(median, 0, 'f', 3)
                           .arg(repeat));
        }
        QJsonArray result;
        for (const auto &document : selected)
            result.append(QJsonObject{{QStringLiteral("id"), uuidText(document.id)},
                                      {QStringLiteral("name"), document.name},
                                      {QStringLiteral("text"), document.text}});
        printJson(result);
        return positive;
    } catch (const AppError &error) {
        return printFailure(error);
    }
}

} // namespace

CommandList referenceCommands() {
    return {
        {QStringLiteral("load-references"),
         QStringLiteral("load folders and files; print document, skipped and byte counts"),
         loadReferences},
        {QStringLiteral("select-passages"),
         QStringLiteral("--claim TEXT [--repeat N] PATH...: print the selected excerpts"),
         selectPassagesCommand},
    };
}

} // namespace brindle::tool
