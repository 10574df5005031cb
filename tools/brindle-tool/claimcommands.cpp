// brindle-tool claims: a recording through the real recognizer, transcriber and claim intake in
// the audio's own time, printing each check the intake starts and each one it withdraws.
#include "audiotime.h"
#include "commands.h"
#include "toolio.h"

#include "claimintake.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <limits>
#include <map>

namespace brindle::tool {

namespace {

/// Stands in for the session: every queued claim starts a check at once, and a check stays in
/// flight (withdrawable) for the rest of the run.
class CheckPrinter final : public ClaimIntakeHost {
public:
    CheckPrinter(Scheduler &scheduler, const AudioTimePlayer &player)
        : m_scheduler(scheduler)
        , m_player(player) {}

    ClaimIntake *intake = nullptr;

    bool isRunning() const override { return true; }
    bool isStarting() const override { return false; }
    std::int64_t maxChecksPerSession() const override {
        return std::numeric_limits<std::int64_t>::max();
    }
    void setTranscript(const QString &) override {}
    void setStatus(const QString &) override {}
    void setError(const QString &) override {}
    void refreshCounts() override {}

    void drainQueue() override {
        auto &book = intake->book();
        while (auto job = book.queue.next(m_scheduler.now())) {
            ++book.checksUsed;
            const int id = ++m_checks;
            CancelSource cancel;
            book.active.insert(job->id, cancel);
            if (job->origin)
                book.activeOrigins.insert(job->id, *job->origin);
            m_withdrawals.emplace(id, std::make_unique<std::stop_callback<std::function<void()>>>(
                                          cancel.get_token(), std::function<void()>([this, id] {
                                              print("withdraw", id, {});
                                          })));
            print("check", id, job->text);
        }
    }

private:
    /// One line with its members in a fixed order: event, id, text (checks only), at.
    void print(const char *event, int id, const std::optional<QString> &text) const {
        QByteArray line =
            QByteArrayLiteral("{\"event\":\"") + event + "\",\"id\":" + QByteArray::number(id);
        if (text) {
            const auto quoted = QJsonDocument(QJsonArray{*text}).toJson(QJsonDocument::Compact);
            line += ",\"text\":" + quoted.mid(1, quoted.size() - 2);
        }
        line += ",\"at\":" + QByteArray::number(m_player.position(), 'f', 1) + '}';
        printLine(QString::fromUtf8(line));
    }

    Scheduler &m_scheduler;
    const AudioTimePlayer &m_player;
    int m_checks = 0;
    std::map<int, std::unique_ptr<std::stop_callback<std::function<void()>>>> m_withdrawals;
};

int claims(QStringList args) {
    if (args.size() != 1) {
        printError(QStringLiteral("usage: brindle-tool claims FILE.wav"));
        return usage;
    }
    const auto wav = readWav(args.first());
    if (const auto *problem = std::get_if<QString>(&wav)) {
        printError(*problem);
        return negative;
    }
    auto owned = loadRecognizer();
    if (!owned)
        return negative;
    auto *recognizer = owned.get();

    test::VirtualScheduler scheduler;
    SpeechTranscriber transcriber(scheduler, std::move(owned));
    AudioTimePlayer player(scheduler, *recognizer, transcriber);
    CheckPrinter host(scheduler, player);
    ClaimIntake intake(scheduler, host);
    host.intake = &intake;
    bool lastFinal = false;
    transcriber.onTranscript = [&](const QString &text, bool isFinal) {
        lastFinal = isFinal;
        intake.handleTranscript(text, isFinal);
    };
    if (const auto failure = player.play(std::get<WavAudio>(wav), [&] { return lastFinal; })) {
        printError(*failure);
        return negative;
    }
    return positive;
}

} // namespace

CommandList claimCommands() {
    return {{QStringLiteral("claims"),
             QStringLiteral("FILE.wav: the checks the claim intake starts and withdraws"), claims}};
}

} // namespace brindle::tool
