#include "checkoptions.h"

#include "secretstore.h"
#include "toolio.h"

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

} // namespace

std::optional<CheckOptions> takeCheckOptions(QStringList &args, bool &missing) {
    const auto endpoints =
        namedValues(takeRepeatedOption(args, QStringLiteral("--endpoint"), missing),
                    {QStringLiteral("research"), QStringLiteral("selection")});
    const auto keys = namedValues(takeRepeatedOption(args, QStringLiteral("--key"), missing),
                                  {QString::fromLatin1(AppSettings::selkaAccount),
                                   QString::fromLatin1(AppSettings::researchAccount),
                                   QString::fromLatin1(AppSettings::openRouterAccount)});
    if (!endpoints || !keys)
        return std::nullopt;
    return CheckOptions{*keys, *endpoints};
}

std::unique_ptr<AppSettings> settingsWith(const CheckOptions &options, Scheduler &scheduler) {
    if (options.keys.isEmpty())
        return AppSettings::create(true, scheduler);
    return std::make_unique<AppSettings>(true, AppSettings::standardDefaults(),
                                         std::make_shared<GivenKeys>(options.keys));
}

ProviderEndpoints endpointsWith(const CheckOptions &options) {
    auto table = ProviderEndpoints::production();
    if (options.endpoints.contains(QStringLiteral("research")))
        table.openAIResponses = table.openRouterResponses =
            QUrl(options.endpoints.value(QStringLiteral("research")));
    if (options.endpoints.contains(QStringLiteral("selection")))
        table.openRouterDecisions = table.quorvaneDecisions =
            QUrl(options.endpoints.value(QStringLiteral("selection")));
    return table;
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

} // namespace brindle::tool
