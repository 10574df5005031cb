#include "sessionfakes.h"

namespace brindle::test {

QCoro::Task<> FakeCapture::start(AudioSourceID, QString, bool) {
    ++starts;
    m_current.request_stop();
    m_current = CancelSource();
    const auto token = m_current.get_token();
    if (!co_await m_scheduler.sleep(startDelay, token))
        throw CancelledError{};
    if (startFailure)
        throw CaptureError(*startFailure);
}

QCoro::Task<> FakeCapture::stop() {
    ++stops;
    m_current.request_stop();
    if (stopDelay > Duration::zero())
        co_await m_scheduler.sleep(stopDelay);
}

QCoro::Task<std::optional<ResearchResult>> FakeChecker::checkClaim(QString claim, QString context,
                                                                   EvidenceMode, ReferenceCorpus,
                                                                   AIConfiguration,
                                                                   CancelToken token) {
    calls.append({claim, context});
    FakeAnswer answer = ResearchResult{claim, Verdict::contradicted, QStringLiteral("No."), {}};
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    if (!co_await m_scheduler.sleep(delay, token)) {
        ++cancelled;
        throw CancelledError{};
    }
    if (const auto *result = std::get_if<ResearchResult>(&answer))
        co_return *result;
    if (const auto *message = std::get_if<QString>(&answer))
        throw AppError(*message);
    co_return std::nullopt;
}

SessionRig::SessionRig() {
    store.setEvidenceMode(EvidenceMode::web);
    store.refreshSources();
    scheduler.runPending();
    store.setSelectedSourceID(AudioSourceID::allSystemAudio());
}

SessionRig::~SessionRig() {
    store.cancelAllWork();
    scheduler.runPending();
}

void SessionRig::type(const QString &claim) {
    store.setManualClaim(claim);
    store.checkManualClaim();
}

bool SessionRig::startSession() {
    store.start();
    scheduler.runPending();
    return store.isRunning();
}

} // namespace brindle::test
