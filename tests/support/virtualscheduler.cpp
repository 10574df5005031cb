#include "virtualscheduler.h"

namespace brindle::test {

VirtualScheduler::VirtualScheduler(QDateTime start)
    : m_start(std::move(start)) {}

QDateTime VirtualScheduler::now() const {
    return m_start.addMSecs(
        std::chrono::duration_cast<std::chrono::milliseconds>(m_monotonic).count());
}

void VirtualScheduler::advance(Duration by) {
    const auto target = m_monotonic + std::max(by, Duration::zero());
    while (!m_queue.empty() && m_queue.begin()->first.first <= target) {
        auto node = m_queue.extract(m_queue.begin());
        m_keys.erase(node.key().second);
        m_monotonic = std::max(m_monotonic, node.key().first);
        node.mapped()();
    }
    m_monotonic = target;
}

std::uint64_t VirtualScheduler::schedule(Duration delay, std::function<void()> call) {
    const auto id = m_nextId++;
    const Key key{m_monotonic + std::max(delay, Duration::zero()), id};
    m_queue.emplace(key, std::move(call));
    m_keys.emplace(id, key);
    return id;
}

void VirtualScheduler::unschedule(std::uint64_t id) {
    const auto it = m_keys.find(id);
    if (it == m_keys.end())
        return;
    m_queue.erase(it->second);
    m_keys.erase(it);
}

} // namespace brindle::test
