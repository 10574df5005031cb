// brindle-tool claims: a recording through the real recognizer, transcriber and claim intake in
// the audio's own time, printing each check the intake starts and each one it withdraws.
#include "audiotime.h"
#include "commands.h"
#include "toolio.h"

#include "claimintake.h"

#include <QJsonObject>

#include <cmath>
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
            m_withdrawals.emplace(
                id, std::make_unique<std::stop_callback<std::function<void()>>>(
                        cancel.get_token(), std::function<void()>([this, id] {
                            print({{QStringLiteral("event"), QStringLiteral("withdraw")},
                                   {QStringLiteral("id"), id}});
                        })));
            print({{QStringLiteral("event"), QStringLiteral("check")},
                   {QStringLiteral("id"), id},
                   {QStringLiteral("text"), job->text}});
        }
    }

private:
    void print(QJsonObject event) const {
        event.insert(QStringLiteral("at"), std::round(m_player.position() * 10) / 10);
        printJson(event);
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
