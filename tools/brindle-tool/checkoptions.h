/**
 * @file
 * The options every command that checks claims takes as `check` does: `--key NAME=KEY` (keys
 * that stand in for the keyring, which is then never touched), `--endpoint research|selection=URL`
 * (provider addresses, e.g. a loopback server) and the evidence mode's name for `--mode`.
 */
#pragma once

#include "appsettings.h"
#include "evidencemode.h"
#include "providerendpoints.h"

#include <QHash>
#include <QStringList>

#include <memory>
#include <optional>

namespace brindle::tool {

struct CheckOptions {
    QHash<QString, QString> keys;      ///< by keyring account; empty: the saved keys
    QHash<QString, QString> endpoints; ///< "research" and "selection" addresses
};

/// Removes every --key and --endpoint from args; nothing when one is malformed or names an
/// unknown account or endpoint. Sets `missing` when an option lacks its value.
std::optional<CheckOptions> takeCheckOptions(QStringList &args, bool &missing);

/// The saved settings and keyring, or the saved settings with the given keys instead.
std::unique_ptr<AppSettings> settingsWith(const CheckOptions &options, Scheduler &scheduler);

/// The production endpoints with the given ones in their place.
ProviderEndpoints endpointsWith(const CheckOptions &options);

/// "documents", "web" or "combined".
std::optional<EvidenceMode> modeNamed(const QString &name);

} // namespace brindle::tool
