// brindle-tool commands over the session history: the list, and one session's report.
#include "commands.h"
#include "historydatabase.h"
#include "report.h"
#include "sessionhistory.h"
#include "toolio.h"

#include <QJsonObject>

#include <cstdio>

namespace brindle::tool {

namespace {

// Opens the history without changing it; an absent file is an empty history. A damaged or newer
// file is reported (the app sets it aside when it next opens it).
std::optional<std::unique_ptr<HistoryDatabase>> openHistory(QStringList &args, bool &missing) {
    const auto file = takeOption(args, QStringLiteral("--database"), missing);
    auto opened = HistoryDatabase::openReadOnly(file.value_or(SessionHistory::standardPath()));
    if (!opened.notice.isEmpty()) {
        printError(opened.notice);
        return std::nullopt;
    }
    return std::move(opened.database);
}

QJsonValue time(const std::optional<QDateTime> &at) {
    return at ? QJsonValue(at->toUTC().toString(Qt::ISODateWithMs)) : QJsonValue();
}

int listHistory(QStringList args) {
    bool missing = false;
    auto history = openHistory(args, missing);
    if (missing || !args.isEmpty()) {
        printError(QStringLiteral("usage: brindle-tool history [--database FILE]"));
        return usage;
    }
    if (!history)
        return negative;
    if (!*history)
        return positive;
    for (const auto &s : (*history)->sessions()) {
        printJson(QJsonObject{{QStringLiteral("id"), s.id},
                              {QStringLiteral("kind"), sessionKindName(s.kind)},
                              {QStringLiteral("startedAt"), time(s.startedAt)},
                              {QStringLiteral("endedAt"), time(s.endedAt)},
                              {QStringLiteral("source"), s.source},
                              {QStringLiteral("evidenceMode"), evidenceModeLabel(s.evidenceMode)},
                              {QStringLiteral("checked"), s.counts.checked},
                              {QStringLiteral("skipped"), s.counts.skipped},
                              {QStringLiteral("filtered"), s.counts.filtered},
                              {QStringLiteral("findings"), s.findingCount}});
    }
    return positive;
}

int printReport(QStringList args) {
    const QString usageText = QStringLiteral(
        "usage: brindle-tool report ID --format md|html|json [--transcript] [--database FILE]");
    bool missing = false;
    const auto formatName = takeOption(args, QStringLiteral("--format"), missing);
    const bool transcript = args.removeAll(QStringLiteral("--transcript")) > 0;
    auto history = openHistory(args, missing);
    const auto format = formatName ? reportFormatFromName(*formatName) : std::nullopt;
    bool numeric = false;
    const qint64 id = args.size() == 1 ? args.first().toLongLong(&numeric) : 0;
    if (missing || !format || !numeric) {
        printError(usageText);
        return usage;
    }
    if (!history)
        return negative;
    const auto record = *history ? (*history)->session(id) : std::nullopt;
    if (!record) {
        printError(QStringLiteral("no session %1 in the history").arg(id));
        return negative;
    }
    const QByteArray out = writeReport(*record, *format, {transcript});
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    return positive;
}

} // namespace

CommandList historyCommands() {
    return {{QStringLiteral("history"),
             QStringLiteral("list the kept sessions as JSON lines, newest first [--database FILE]"),
             listHistory},
            {QStringLiteral("report"),
             QStringLiteral("write a session's report: ID --format md|html|json [--transcript]"),
             printReport}};
}

} // namespace brindle::tool
