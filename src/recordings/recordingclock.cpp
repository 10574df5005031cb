#include "recordingclock.h"

#include <QMetaObject>

namespace brindle {

RecordingClock::RecordingClock(QDateTime origin)
    : m_origin(std::move(origin)) {}

RecordingClock::~RecordingClock() = default;

QDateTime RecordingClock::now() const {
    return m_origin.addMSecs(
        std::chrono::duration_cast<std::chrono::milliseconds>(m_position).count());
}

bool RecordingClock::advanceTo(Duration target, const std::function<bool()> &hold) {
    while (!m_queue.empty() && m_queue.begin()->first.first <= target) {
        auto node = m_queue.extract(m_queue.begin());
        m_keys.erase(node.key().second);
        m_position = std::max(m_position, node.key().first);
        node.mapped()();
        if (hold && hold())
            return false;
    }
    m_position = std::max(m_position, target);
    return true;
}

std::uint64_t RecordingClock::schedule(Duration delay, std::function<void()> call) {
    const auto id = m_nextId++;
    const Key key{m_position + std::max(delay, Duration::zero()), id};
    m_queue.emplace(key, std::move(call));
    m_keys.emplace(id, key);
    if (delay <= Duration::zero() && !m_runPosted) {
        m_runPosted = true;
        QMetaObject::invokeMethod(
            &m_poster, [this] { runDue(); }, Qt::QueuedConnection);
    }
    return id;
}

void RecordingClock::unschedule(std::uint64_t id) {
    const auto it = m_keys.find(id);
    if (it == m_keys.end())
        return;
    m_queue.erase(it->second);
    m_keys.erase(it);
}

void RecordingClock::runDue() {
    m_runPosted = false;
    advanceTo(m_position, {});
}

} // namespace brindle
