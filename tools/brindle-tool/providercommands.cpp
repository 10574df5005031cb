// brindle-tool subcommands over the provider clients: research validation, error detail and a
// real claim-selection request.
#include "claimselection.h"
#include "commands.h"
#include "providerfailure.h"
#include "providertransport.h"
#include "researchvalidation.h"
#include "systemscheduler.h"
#include "taskrunner.h"
#include "toolio.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

namespace brindle::tool {

namespace {

void printFailure(const QString &message) {
    printJson(QJsonObject{{QStringLiteral("error"), message}});
}

// "--doc UUID=FILE": a passage document with that id, the file's name, file URL and text.
std::optional<ReferenceDocument> readDocument(const QString &pair) {
    const auto split = pair.indexOf(QLatin1Char('='));
    const auto id = QUuid::fromString(pair.left(split));
    if (split < 0 || id.isNull()) {
        printError(QStringLiteral("--doc wants UUID=FILE, got: ") + pair);
        return std::nullopt;
    }
    QFile file(pair.mid(split + 1));
    if (!file.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("cannot read ") + file.fileName() + QStringLiteral(": ") +
                   file.errorString());
        return std::nullopt;
    }
    const QFileInfo info(file);
    return ReferenceDocument{id, info.fileName(), QString::fromUtf8(file.readAll()),
                             QUrl::fromLocalFile(info.absoluteFilePath())};
}

int validate(QStringList args) {
    bool missing = false;
    const auto pass = takeOption(args, QStringLiteral("--pass"), missing);
    const auto claim = takeOption(args, QStringLiteral("--claim"), missing);
    const auto docs = takeRepeatedOption(args, QStringLiteral("--doc"), missing);
    if (missing || !args.isEmpty() || !pass ||
        (*pass != QStringLiteral("web") && *pass != QStringLiteral("documents"))) {
        printError(QStringLiteral("usage: brindle-tool validate --pass web|documents [--claim "
                                  "TEXT] [--doc UUID=FILE]..."));
        return usage;
    }
    QList<ReferenceDocument> documents;
    for (const auto &pair : docs) {
        auto document = readDocument(pair);
        if (!document)
            return usage;
        documents.append(std::move(*document));
    }
    try {
        const auto result = validateResearch(
            readStdin(),
            *pass == QStringLiteral("web") ? ResearchPass::web : ResearchPass::documents, documents,
            claim);
        printJson(result.toJson());
        return positive;
    } catch (const AppError &error) {
        printFailure(error.message());
        return negative;
    }
}

int errorDetailCommand(QStringList args) {
    bool missing = false;
    const auto key = takeOption(args, QStringLiteral("--key"), missing);
    if (missing || !args.isEmpty()) {
        printError(QStringLiteral("usage: brindle-tool error-detail [--key KEY] < body"));
        return usage;
    }
    const auto detail = errorDetail(readStdin(), key.value_or(QString()));
    if (!detail)
        return negative;
    printLine(*detail);
    return positive;
}

int select(QStringList args) {
    bool missing = false;
    const auto endpoint = takeOption(args, QStringLiteral("--endpoint"), missing);
    const auto key = takeOption(args, QStringLiteral("--key"), missing);
    const auto model = takeOption(args, QStringLiteral("--model"), missing);
    const auto context = takeOption(args, QStringLiteral("--context"), missing);
    const QUrl url(endpoint.value_or(QString()), QUrl::StrictMode);
    if (missing || !endpoint || !key || !model || args.size() != 1 || !url.isValid()) {
        printError(QStringLiteral("usage: brindle-tool select --endpoint URL --key KEY --model "
                                  "MODEL [--context TEXT] CLAIM"));
        return usage;
    }
    SystemScheduler scheduler;
    ProviderTransport transport(scheduler);
    AIConfiguration configuration;
    configuration.selkaKey = *key;
    configuration.selkaModel = *model;
    const auto outcome = runTask(selectClaim(transport, {url, url, url, url}, configuration,
                                             args.first(), context.value_or(QString()), {}));
    if (!outcome.value) {
        printFailure(outcome.error);
        return negative;
    }
    const auto &selection = outcome.value;
    printJson(QJsonObject{{QStringLiteral("checkable"), selection->checkable},
                          {QStringLiteral("noul"), selection->noul}});
    return selection->checkable ? positive : negative;
}

} // namespace

CommandList providerCommands() {
    return {
        {QStringLiteral("validate"),
         QStringLiteral("validate a research response body (stdin) as a web or documents pass"),
         validate},
        {QStringLiteral("error-detail"),
         QStringLiteral("the provider message of an error body (stdin), keys masked"),
         errorDetailCommand},
        {QStringLiteral("select"),
         QStringLiteral("one real claim-selection request; prints checkable and noul"), select},
    };
}

} // namespace brindle::tool
