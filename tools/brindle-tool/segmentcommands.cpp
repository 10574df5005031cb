// brindle-tool segment: feeds JSON-lines transcript reports to one TranscriptState and prints the
// update of each, so segmentation can be tried on recorded recognizer output.
#include "commands.h"
#include "textmeasure.h"
#include "toolio.h"
#include "transcriptstate.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <utility>
#include <variant>
#include <vector>

namespace brindle::tool {

namespace {

struct Report {
    QString text;
    bool isFinal = false;
};

// One input line as a report, or a message saying what is wrong with it.
std::variant<Report, QString> parseReport(const QByteArray &line) {
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("invalid JSON (%1 at byte %2)")
            .arg(error.errorString())
            .arg(error.offset);
    if (!document.isObject())
        return QStringLiteral("expected an object with \"text\" and \"isFinal\"");
    const auto object = document.object();
    const auto text = object.value(QStringLiteral("text"));
    const auto isFinal = object.value(QStringLiteral("isFinal"));
    if (text.isUndefined())
        return QStringLiteral("missing \"text\"");
    if (!text.isString())
        return QStringLiteral("\"text\" must be a string");
    if (isFinal.isUndefined())
        return QStringLiteral("missing \"isFinal\"");
    if (!isFinal.isBool())
        return QStringLiteral("\"isFinal\" must be true or false");
    return Report{text.toString(), isFinal.toBool()};
}

QJsonObject toJson(const TranscriptUpdate &update) {
    return {
        {QStringLiteral("text"), update.text},
        {QStringLiteral("revised"), update.revised},
        {QStringLiteral("correction"), update.correction},
        {QStringLiteral("start"), qint64(update.start)},
        {QStringLiteral("full"), update.full},
        {QStringLiteral("utterance"), qint64(update.utterance)},
    };
}

int segment(const QStringList &args) {
    if (!args.isEmpty()) {
        printError(QStringLiteral("usage: brindle-tool segment < reports.jsonl"));
        return usage;
    }
    // Every line is checked before anything is printed, so bad input yields no partial output.
    // Blank lines carry no report and are skipped.
    std::vector<Report> reports;
    bool malformed = false;
    const auto lines = readStdin().split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty())
            continue;
        auto parsed = parseReport(line);
        if (auto *message = std::get_if<QString>(&parsed)) {
            printError(QStringLiteral("line %1: %2").arg(i + 1).arg(*message));
            malformed = true;
        } else if (!malformed) {
            reports.push_back(std::get<Report>(std::move(parsed)));
        }
    }
    if (malformed)
        return usage;

    TranscriptState state;
    for (const auto &report : reports)
        printJson(toJson(state.update(report.text, report.isFinal)));
    return positive;
}

} // namespace

CommandList segmentCommands() {
    return {{QStringLiteral("segment"),
             QStringLiteral("transcript reports (JSON lines) -> segmentation updates"), segment}};
}

} // namespace brindle::tool
