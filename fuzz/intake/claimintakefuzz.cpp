// Drives claim intake with arbitrary recognizer reports, pauses and pipeline events, and checks
// the invariants the rest of the session relies on: no crash, a bounded queue, jobs within the
// length limits, origins inside their utterance, and bookkeeping maps that agree.
#include "claimintake.h"
#include "textmeasure.h"
#include "virtualscheduler.h"

#include <array>
#include <cstdlib>

using namespace brindle;

namespace {

struct PipelineHost final : ClaimIntakeHost {
    ClaimIntake *intake = nullptr;
    test::VirtualScheduler *scheduler = nullptr;
    bool running = true;

    bool isRunning() const override { return running; }
    bool isStarting() const override { return false; }
    std::int64_t maxChecksPerSession() const override { return 12; }
    void setTranscript(const QString &) override {}
    void setStatus(const QString &) override {}
    void setError(const QString &) override {}
    void refreshCounts() override {}
    // A pipeline that takes up to two jobs and never finishes them by itself.
    void drainQueue() override {
        auto &book = intake->book();
        while (book.active.size() < 2) {
            auto job = book.queue.next(scheduler->now());
            if (!job)
                return;
            ++book.checksUsed;
            book.active.insert(job->id, CancelSource{});
            if (job->origin)
                book.activeOrigins.insert(job->id, *job->origin);
            book.recent.append({job->heardAt, job->text, job->origin});
        }
    }
};

// Pieces that stress segmentation: terminators, markers, the microphone prefix, clusters made of
// several code units, and broken UTF-16.
const std::array<QString, 16> pieces{
    QStringLiteral(" "),         QStringLiteral("the bridge"), QStringLiteral("."),
    QStringLiteral("?"),         QStringLiteral("You: "),      QStringLiteral("sorry, "),
    QStringLiteral("actually"),  QStringLiteral("1932"),       QStringLiteral("e\u0301"),
    QStringLiteral("\u0301"),    QStringLiteral("\U0001F44D"), QStringLiteral("\U0001F3FD"),
    QStringLiteral("\u200D"),    QStringLiteral("\r\n"),       QString(QChar(0xD83D)),
    QStringLiteral("opened in"),
};

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    test::VirtualScheduler scheduler;
    PipelineHost host;
    ClaimIntake intake(scheduler, host);
    host.intake = &intake;
    host.scheduler = &scheduler;
    QString report; // grows like a recognizer's running text; some bytes rewrite its end

    std::size_t at = 0;
    const auto take = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
    while (at < size) {
        const auto op = take();
        switch (op % 8) {
        case 0:
        case 1:
        case 2:
            report += pieces[take() % pieces.size()];
            break;
        case 3:
            report.chop(take() % 8);
            break;
        case 4: {
            const bool isFinal = op & 0x80;
            TranscriptState state;
            state.update(report.left(report.size() / 2), false);
            const auto update = state.update(report, isFinal);
            check(update.start >= 0 && update.start <= text::length(update.full));
            check(update.text == text::trimmed(text::dropFirst(update.full, update.start)));
            intake.handleTranscript(report, isFinal);
            if (isFinal)
                report.clear();
            break;
        }
        case 5:
            scheduler.advance(std::chrono::milliseconds(take() * 40));
            break;
        case 6: { // the oldest check finishes with a finding
            auto &book = intake.book();
            if (!book.active.isEmpty()) {
                const auto id = book.active.begin().key();
                Finding finding;
                finding.origin = book.activeOrigins.value(id);
                book.findings.prepend(finding);
                book.active.remove(id);
                book.activeOrigins.remove(id);
                host.drainQueue();
            }
            break;
        }
        default:
            if (op & 0x10)
                intake.clearContext();
            else if (op & 0x20)
                intake.endSession();
            else
                host.running = !host.running;
        }
        const auto &book = intake.book();
        check(book.queue.jobs.size() <= JobQueue::capacity);
        check(book.active.size() <= 2 && book.active.size() == book.activeOrigins.size());
        for (const auto &job : book.queue.jobs) {
            const auto length = text::length(job.text);
            check(length >= ClaimIntake::shortestCandidate &&
                  length <= ClaimIntake::longestJobText);
            check(job.origin && job.origin->start >= 0 && job.origin->start < job.origin->end);
        }
    }
    return 0;
}
