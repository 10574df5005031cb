// brindle-tool check: one real claim check with the saved settings (or keys given here).
#include "aiclient.h"
#include "appsettings.h"
#include "commands.h"
#include "passageconfirmation.h"
#include "providertransport.h"
#include "referencecorpus.h"
#include "referencepaths.h"
#include "secretstore.h"
#include "systemscheduler.h"
#include "taskrunner.h"
#include "toolio.h"

#include <QHash>
#include <QJsonObject>

namespace brindle::tool {

namespace {

// Keys given on the command line stand in for the keyring, which is then never touched.
class GivenKeys final : public SecretStore {
public:
    explicit GivenKeys(QHash<QString, QString> keys)
        : m_keys(std::move(keys)) {}
    SecretOutcome read(const QString &account) override {
        return m_keys.contains(account) ? SecretOutcome::success(m_keys.value(account).toUtf8())
                                        : SecretOutcome::missing();
    }
    SecretOutcome write(const QString &, const QString &) override {
        return SecretOutcome::failure(-1);
    }
    SecretOutcome remove(const QString &) override { return SecretOutcome::failure(-1); }

private:
    QHash<QString, QString> m_keys;
};

// "NAME=VALUE" pairs whose names are all in `allowed`; nothing when one is malformed.
std::optional<QHash<QString, QString>> namedValues(const QStringList &pairs,
                                                   const QStringList &allowed) {
    QHash<QString, QString> values;
    for (const auto &pair : pairs) {
        const auto at = pair.indexOf(u'=');
        if (at <= 0 || !allowed.contains(pair.left(at)))
            return std::nullopt;
        values.insert(pair.left(at), pair.mid(at + 1));
    }
    return values;
}

std::optional<EvidenceMode> modeNamed(const QString &name) {
    if (name == QStringLiteral("documents"))
        return EvidenceMode::documents;
    if (name == QStringLiteral("web"))
        return EvidenceMode::web;
    if (name == QStringLiteral("combined"))
        return EvidenceMode::combined;
    return std::nullopt;
}

int check(QStringList args) {
    bool missing = false;
    const auto modeName = takeOption(args, QStringLiteral("--mode"), missing);
    const auto refs = takeRepeatedOption(args, QStringLiteral("--refs"), missing);
    const auto context = takeOption(args, QStringLiteral("--context"), missing);
    const auto endpoints =
        namedValues(takeRepeatedOption(args, QStringLiteral("--endpoint"), missing),
                    {QStringLiteral("research"), QStringLiteral("selection")});
    const auto keys = namedValues(takeRepeatedOption(args, QStringLiteral("--key"), missing),
                                  {QString::fromLatin1(AppSettings::selkaAccount),
                                   QString::fromLatin1(AppSettings::researchAccount),
                                   QString::fromLatin1(AppSettings::openRouterAccount)});
    const auto mode = modeNamed(modeName.value_or(QString()));
    if (missing || !mode || !endpoints || !keys || args.size() != 1) {
        printError(QStringLiteral(
            "usage: brindle-tool check --mode documents|web|combined [--refs PATH]... "
            "[--context TEXT] [--endpoint research|selection=URL]... "
            "[--key selka|research|openrouter=KEY]... CLAIM"));
        return usage;
    }

    SystemScheduler scheduler;
    auto settings = keys->isEmpty()
                        ? AppSettings::create(true, scheduler)
                        : std::make_unique<AppSettings>(true, AppSettings::standardDefaults(),
                                                        std::make_shared<GivenKeys>(*keys));
    auto table = ProviderEndpoints::production();
    if (endpoints->contains(QStringLiteral("research")))
        table.openAIResponses = table.openRouterResponses =
            QUrl(endpoints->value(QStringLiteral("research")));
    if (endpoints->contains(QStringLiteral("selection")))
        table.openRouterDecisions = table.quorvaneDecisions =
            QUrl(endpoints->value(QStringLiteral("selection")));

    ReferenceCorpus corpus;
    try {
        corpus = ReferenceCorpus(loadReferencePaths(refs).documents);
    } catch (const AppError &error) {
        printJson(QJsonObject{{QStringLiteral("error"), error.message()}});
        return negative;
    }

    ProviderTransport transport(scheduler);
    AIClient client(transport, table, publicPageLoader(scheduler));
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
