// brindle-tool check: one real claim check with the saved settings (or keys given here).
#include "aiclient.h"
#include "checkoptions.h"
#include "commands.h"
#include "passageconfirmation.h"
#include "providertransport.h"
#include "referencecorpus.h"
#include "referencepaths.h"
#include "systemscheduler.h"
#include "taskrunner.h"
#include "toolio.h"

#include <QJsonObject>

namespace brindle::tool {

namespace {

int check(QStringList args) {
    bool missing = false;
    const auto modeName = takeOption(args, QStringLiteral("--mode"), missing);
    const auto refs = takeRepeatedOption(args, QStringLiteral("--refs"), missing);
    const auto context = takeOption(args, QStringLiteral("--context"), missing);
    const auto options = takeCheckOptions(args, missing);
    const auto mode = modeNamed(modeName.value_or(QString()));
    if (missing || !mode || !options || args.size() != 1) {
        printError(QStringLiteral(
            "usage: brindle-tool check --mode documents|web|combined [--refs PATH]... "
            "[--context TEXT] [--endpoint research|selection=URL]... "
            "[--key selka|research|openrouter=KEY]... CLAIM"));
        return usage;
    }

    SystemScheduler scheduler;
    const auto settings = settingsWith(*options, scheduler);

    ReferenceCorpus corpus;
    try {
        corpus = ReferenceCorpus(loadReferencePaths(refs).documents);
    } catch (const AppError &error) {
        printJson(QJsonObject{{QStringLiteral("error"), error.message()}});
        return negative;
    }

    ProviderTransport transport(scheduler);
    AIClient client(transport, endpointsWith(*options), publicPageLoader(scheduler));
    const auto outcome =
        runTask(client.checkClaim(args.first(), context.value_or(QString()), *mode,
                                  std::move(corpus), settings->configuration(), {}));
    if (!outcome.value) {
        printJson(QJsonObject{{QStringLiteral("error"), outcome.error}});
        return negative;
    }
    if (!*outcome.value) {
        printJson(QJsonObject{{QStringLiteral("result"), QJsonValue::Null}});
        return negative;
    }
    printJson((*outcome.value)->toJson());
    return positive;
}

} // namespace

CommandList checkCommands() {
    return {{QStringLiteral("check"),
             QStringLiteral("check one claim with the saved settings, as a session would"), check}};
}

} // namespace brindle::tool
