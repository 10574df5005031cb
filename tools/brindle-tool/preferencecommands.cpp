// brindle-tool commands over the saved session preferences.
#include "commands.h"
#include "sessionpreferences.h"
#include "settingspreferencestore.h"
#include "toolio.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace brindle::tool {

namespace {

// The stored value in the saved key order, or the defaults with "stored": false when nothing
// usable is stored (exit 1).
int printPreferences(QStringList args) {
    bool missing = false;
    const auto settingsFile = takeOption(args, QStringLiteral("--settings"), missing);
    if (missing || !args.isEmpty()) {
        printError(QStringLiteral("usage: brindle-tool preferences [--settings FILE]"));
        return usage;
    }
    const auto store = settingsFile ? std::make_unique<SettingsPreferenceStore>(*settingsFile)
                                    : SettingsPreferenceStore::standard();
    const auto stored = store->read();
    const auto decoded = stored ? decodePreferences(*stored) : std::nullopt;
    if (decoded) {
        printLine(QString::fromUtf8(encodePreferences(*decoded)));
        return positive;
    }
    if (stored)
        printError(QStringLiteral("the stored value does not decode; the defaults apply"));
    QByteArray defaults = encodePreferences(SessionPreferences{});
    defaults.chop(1);
    printLine(QString::fromUtf8(defaults + ",\"stored\":false}"));
    return negative;
}

} // namespace

CommandList preferenceCommands() {
    return {{QStringLiteral("preferences"),
             QStringLiteral("print the saved session preferences as JSON [--settings FILE]"),
             printPreferences}};
}

} // namespace brindle::tool
