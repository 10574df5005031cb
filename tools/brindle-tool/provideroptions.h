/**
 * @file
 * The options every command that checks claims takes: `--mode`, `--refs`, `--key NAME=KEY` (in
 * place of the keyring) and `--endpoint research|selection=URL` (in place of the providers'
 * addresses), and the settings and endpoint table they give.
 */
#pragma once

#include "appsettings.h"
#include "evidencemode.h"
#include "providerendpoints.h"
#include "scheduler.h"

#include <QHash>
#include <QStringList>

#include <memory>
#include <optional>

namespace brindle::tool {

struct ProviderOptions {
    QHash<QString, QString> keys;      ///< account -> key; empty: the keyring's keys
    QHash<QString, QString> endpoints; ///< "research"/"selection" -> URL
};

/// "[--endpoint research|selection=URL]... [--key selka|research|openrouter=KEY]..."
QString providerOptionsUsage();

/// Removes the --key and --endpoint options from `args`; nothing when one is malformed. Sets
/// `missing` when an option lacks its value.
std::optional<ProviderOptions> takeProviderOptions(QStringList &args, bool &missing);

/// The saved settings, with the given keys instead of the keyring's when there are any.
std::unique_ptr<AppSettings> settingsFor(const ProviderOptions &options, Scheduler &scheduler);

/// The production endpoints with the given ones put in.
ProviderEndpoints endpointsFor(const ProviderOptions &options);

/// "documents", "web" or "combined".
std::optional<EvidenceMode> modeNamed(const QString &name);

} // namespace brindle::tool
