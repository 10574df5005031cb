// brindle-tool check-recording: a recording checked as the window checks it, findings as JSON
// lines in recording order.
#include "aiclient.h"
#include "checkoptions.h"
#include "commands.h"
#include "passageconfirmation.h"
#include "pocketsphinxrecognizer.h"
#include "providertransport.h"
#include "recordingsession.h"
#include "referencepaths.h"
#include "systemscheduler.h"
#include "toolio.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace brindle::tool {

namespace {

QJsonObject findingLine(const RecordingFinding &found) {
    QJsonArray sources;
    for (const auto &source : found.finding.sources)
        sources.append(source.toJson());
    return {{QStringLiteral("at"), recordingPositionText(found.position)},
            {QStringLiteral("claim"), found.finding.quote},
            {QStringLiteral("verdict"), verdictRawValue(found.finding.verdict)},
            {QStringLiteral("explanation"), found.finding.explanation},
            {QStringLiteral("sources"), sources}};
}

int checkRecording(QStringList args) {
    bool missing = false;
    const auto modeName = takeOption(args, QStringLiteral("--mode"), missing);
    const auto refs = takeRepeatedOption(args, QStringLiteral("--refs"), missing);
    const auto provider = takeCheckOptions(args, missing);
    const auto mode = modeNamed(modeName.value_or(QStringLiteral("web")));
    if (missing || !mode || !provider || args.size() != 1) {
        printError(QStringLiteral("usage: brindle-tool check-recording "
                                  "[--mode documents|web|combined] [--refs PATH]... ") +
                   QStringLiteral("[--endpoint research|selection=URL]... [--key "
                                  "selka|research|openrouter=KEY]... FILE"));
        return usage;
    }

    SystemScheduler scheduler;
    auto settings = settingsWith(*provider, scheduler);
    ReferenceCorpus corpus;
    try {
        corpus = ReferenceCorpus(loadReferencePaths(refs).documents);
    } catch (const AppError &error) {
        printError(error.message());
        return negative;
    }
    ProviderTransport transport(scheduler);
    AIClient client(transport, endpointsWith(*provider), publicPageLoader(scheduler));
    RecordingSession session(*settings, client,
                             [] { return std::make_unique<PocketSphinxRecognizer>(); });

    QElapsedTimer elapsed;
    elapsed.start();
    if (!session.start(args.first(), *mode, std::move(corpus))) {
        printError(session.error());
        return negative;
    }
    const bool completed = waitForEnd(session);

    for (const auto &found : session.findings())
        printJson(findingLine(found));
    const bool checksFailed =
        !session.error().isEmpty() && session.error() != ClaimIntake::checkLimitMessage();
    if (!completed || checksFailed) {
        printError(session.error());
        return negative;
    }
    printError(QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("seconds"), session.duration()},
                                  {QStringLiteral("elapsed"), elapsed.nsecsElapsed() / 1e9},
                                  {QStringLiteral("claims"), session.claimsFound()},
                                  {QStringLiteral("checks"), session.checksDone()}})
            .toJson(QJsonDocument::Compact)));
    return positive;
}

} // namespace

CommandList recordingCommands() {
    return {{QStringLiteral("check-recording"),
             QStringLiteral("check an audio or video file as the window does"), checkRecording}};
}

} // namespace brindle::tool
