#include "calldetector.h"

#include "slackidentifier.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace brindle {

namespace {

QCoro::Task<QStringList> answered(QStringList ids) {
    co_return ids;
}

} // namespace

CallDetector::CallDetector(Probe probe)
    : m_probe(std::move(probe)) {}

CallDetector::CallDetector(ImmediateProbe probe)
    : m_probe([probe = std::move(probe)] { return answered(probe ? probe() : QStringList()); }) {}

CallDetector::~CallDetector() {
    *m_alive = false;
}

void CallDetector::poll() {
    Q_ASSERT(!QCoreApplication::instance() ||
             QThread::currentThread() == QCoreApplication::instance()->thread());
    if (m_asking)
        return;
    ask();
}

QCoro::Task<> CallDetector::ask() {
    auto alive = m_alive;
    m_asking = true;
    QStringList ids;
    if (m_probe)
        ids = co_await m_probe();
    if (!*alive)
        co_return;
    m_asking = false;
    handle(ids);
}

void CallDetector::handle(const QStringList &ids) {
    const bool slackRecords = std::any_of(ids.cbegin(), ids.cend(),
                                          [](const QString &id) { return isSlackIdentifier(id); });
    if (slackRecords) {
        m_quietPolls = 0;
        if (!m_inCall) {
            m_inCall = true;
            if (onCallStarted)
                onCallStarted();
        }
        return;
    }
    if (!m_inCall)
        return;
    // A call may drop out of the list for a poll or two; only a longer silence ends it.
    if (++m_quietPolls >= endAfterQuietPolls) {
        m_inCall = false;
        m_quietPolls = 0;
        if (onCallEnded)
            onCallEnded();
    }
}

void CallDetector::startTimer(Scheduler &scheduler) {
    m_scheduler = &scheduler;
    arm();
}

void CallDetector::stopTimer() {
    m_timer.cancel();
}

void CallDetector::arm() {
    // Re-armed before polling, so a callback that stops the timer has the last word.
    m_timer = m_scheduler->callAfter(seconds(pollIntervalSeconds), [this] {
        arm();
        poll();
    });
}

} // namespace brindle
