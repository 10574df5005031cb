// brindle-tool session: the real live session without a window (capture, recognizer, intake,
// pipeline and checker as the application wires them), printing what it publishes as JSON lines.
#include "checkoptions.h"
#include "commands.h"
#include "livechain.h"
#include "referencefiles.h"
#include "referencepaths.h"
#include "sessionstore.h"
#include "settingspreferencestore.h"
#include "systemscheduler.h"
#include "taskrunner.h"
#include "toolio.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTimer>

#include <limits>

namespace brindle::tool {

namespace {

// The saved session choices, read but never written: a tool run must not change what the
// application restores (the source chosen here, for one).
class ReadOnlyPreferences final : public PreferenceStorePort {
public:
    explicit ReadOnlyPreferences(std::unique_ptr<PreferenceStorePort> store)
        : m_store(std::move(store)) {}
    std::optional<QByteArray> read() const override { return m_store->read(); }
    void write(const QByteArray &) override {}

private:
    std::unique_ptr<PreferenceStorePort> m_store;
};

/// Prints the store's published findings (each once, oldest first), status lines and errors
/// (and, when asked, the transcript reports), each stamped with the wall-clock time it was
/// published, in seconds since the epoch.
class EventPrinter {
public:
    EventPrinter(SessionStore &store, Scheduler &scheduler)
        : m_store(store)
        , m_scheduler(scheduler) {
        QObject::connect(&store, &SessionStore::findingsChanged, &m_alive,
                         [this] { printFindings(); });
        QObject::connect(&store, &SessionStore::statusChanged, &m_alive, [this] {
            print(QStringLiteral("status"), {{QStringLiteral("status"), m_store.status()}});
        });
        QObject::connect(&store, &SessionStore::errorChanged, &m_alive, [this] {
            if (m_store.error())
                print(QStringLiteral("error"), {{QStringLiteral("message"), *m_store.error()}});
        });
    }

    /// One report of the capture layer, as the store is about to receive it.
    void printTranscript(const QString &text, bool isFinal) {
        print(QStringLiteral("transcript"),
              {{QStringLiteral("text"), text}, {QStringLiteral("isFinal"), isFinal}});
    }

private:
    void printFindings() {
        const auto &findings = m_store.findings(); // newest first
        for (auto it = findings.crbegin(); it != findings.crend(); ++it) {
            if (m_printed.contains(it->id))
                continue;
            m_printed.insert(it->id);
            QJsonArray sources;
            for (const auto &source : it->sources)
                sources.append(source.toJson());
            print(QStringLiteral("finding"),
                  {{QStringLiteral("claim"), it->quote},
                   {QStringLiteral("verdict"), verdictRawValue(it->verdict)},
                   {QStringLiteral("explanation"), it->explanation},
                   {QStringLiteral("sources"), sources}});
        }
    }

    // One line whose members keep the order given: "event" and "time" first, then the fields.
    void print(const QString &event, const QList<std::pair<QString, QJsonValue>> &fields) {
        QList<std::pair<QString, QJsonValue>> members{
            {QStringLiteral("event"), event},
            {QStringLiteral("time"), double(m_scheduler.now().toMSecsSinceEpoch()) / 1000}};
        members.append(fields);
        // A one-element array serialises any value; its brackets come off.
        const auto json = [](const QJsonValue &value) {
            return QJsonDocument(QJsonArray{value})
                .toJson(QJsonDocument::Compact)
                .mid(1)
                .chopped(1);
        };
        QByteArray line = "{";
        for (const auto &[name, value] : members)
            line += (line.size() > 1 ? "," : "") + json(name) + ':' + json(value);
        printLine(QString::fromUtf8(line + '}'));
    }

    SessionStore &m_store;
    Scheduler &m_scheduler;
    QSet<QUuid> m_printed;
    QObject m_alive; ///< ends the connections with the printer
};

/// Runs the event loop until `done` holds, re-checking whenever `changed` is emitted; gives up
/// after `limit` milliseconds.
template<typename Signal>
void waitUntil(SessionStore &store, Signal changed, const std::function<bool()> &done, int limit) {
    QEventLoop loop;
    QObject::connect(&store, changed, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
}

int session(QStringList args) {
    bool missing = false;
    const auto sourceText = takeOption(args, QStringLiteral("--source"), missing);
    const auto secondsText = takeOption(args, QStringLiteral("--seconds"), missing);
    const auto modeName = takeOption(args, QStringLiteral("--mode"), missing);
    const auto refs = takeRepeatedOption(args, QStringLiteral("--refs"), missing);
    const auto options = takeCheckOptions(args, missing);
    const bool microphone = args.removeAll(QStringLiteral("--microphone")) > 0;
    const bool transcripts = args.removeAll(QStringLiteral("--transcripts")) > 0;
    const auto mode = modeName ? modeNamed(*modeName) : std::nullopt;
    bool secondsOk = false;
    const double duration = secondsText ? secondsText->toDouble(&secondsOk) : 0;
    std::optional<AudioSourceID> source = AudioSourceID::allSystemAudio();
    if (sourceText && *sourceText != QStringLiteral("all")) {
        bool ok = false;
        const int pid = sourceText->toInt(&ok);
        source = ok && pid > 0 ? std::optional(AudioSourceID::application(pid)) : std::nullopt;
    }
    // A day at most: the timer counts milliseconds in an int.
    if (missing || !args.isEmpty() || !options || !source || !secondsOk || duration <= 0 ||
        duration > 86400 || (modeName && !mode)) {
        printError(QStringLiteral(
            "usage: brindle-tool session [--source all|PID] [--microphone] --seconds N "
            "[--transcripts] "
            "[--mode documents|web|combined] [--refs PATH]... "
            "[--endpoint research|selection=URL]... [--key selka|research|openrouter=KEY]..."));
        return usage;
    }

    ReferenceCorpus documents;
    try {
        documents = ReferenceCorpus(loadReferencePaths(refs).documents);
    } catch (const AppError &error) {
        printError(error.message());
        return negative;
    }

    SystemScheduler scheduler;
    const auto settings = settingsWith(*options, scheduler);
    LiveChain live(scheduler, endpointsWith(*options));
    ReadOnlyPreferences preferences(SettingsPreferenceStore::standard());
    // References given here replace the saved ones, which are then not even loaded.
    ReferenceFiles files;
    SessionStore store(scheduler, *settings, live.capture(), live.client(),
                       {refs.isEmpty() ? &files : nullptr, nullptr, &preferences});
    EventPrinter printer(store, scheduler);
    if (transcripts) {
        // The store has just set the capture's callback; print each report before it goes on.
        live.capture().onTranscript =
            [&printer, forward = live.capture().onTranscript](const QString &text, bool isFinal) {
                printer.printTranscript(text, isFinal);
                forward(text, isFinal);
            };
    }
    waitUntil(
        store, &SessionStore::isLoadingReferencesChanged,
        [&] { return !store.isLoadingReferences(); }, std::numeric_limits<int>::max());
    if (mode)
        store.setEvidenceMode(*mode);
    if (!refs.isEmpty())
        store.setDocuments(documents);
    store.setIncludeMicrophone(microphone);

    (void)runTask(store.refreshSources());
    const auto &sources = store.sources();
    if (std::none_of(sources.cbegin(), sources.cend(),
                     [&](const AudioSource &s) { return s.id == *source; })) {
        printError(store.error()
                       ? *store.error()
                       : QStringLiteral("No application with process id %1 plays "
                                        "audio; brindle-tool sources lists those that do.")
                             .arg(*source->processID()));
        return negative;
    }
    store.setSelectedSourceID(*source);
    (void)runTask(store.start());
    if (!store.isRunning()) {
        printError(store.errorText());
        return negative;
    }

    // Listen for the given time, or until a capture failure ends the session.
    QEventLoop loop;
    QObject::connect(&store, &SessionStore::isRunningChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(int(duration * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    if (!store.isRunning()) {
        // The store stops itself and then says so; let it finish before everything goes.
        waitUntil(
            store, &SessionStore::statusChanged,
            [&] { return store.status() != QStringLiteral("Stopped"); }, 5000);
        printError(store.errorText());
        return negative;
    }
    (void)runTask(store.stop());
    return positive;
}

} // namespace

CommandList sessionCommands() {
    return {{QStringLiteral("session"),
             QStringLiteral("[--source all|PID] [--microphone] --seconds N: a live session "
                            "without a window; findings and status as JSON lines"),
             session}};
}

} // namespace brindle::tool
