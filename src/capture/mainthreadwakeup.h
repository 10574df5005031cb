/**
 * @file
 * A wake-up for one coroutine on the main thread that any thread may trigger, with a time limit.
 * It is shared: a wake-up or a time-out that comes late finds it alive whatever became of the
 * waiter, and the waiter never depends on the lifetime of an object another thread answers
 * through. Await it as a named local (`auto wait = wakeup->wait(limit); co_await wait;`): g++ 12
 * mishandles awaiter temporaries in larger expressions. Needs a QCoreApplication.
 */
#pragma once

#include <chrono>
#include <coroutine>
#include <cstdint>
#include <memory>

namespace brindle {

class MainThreadWakeup : public std::enable_shared_from_this<MainThreadWakeup> {
public:
    static std::shared_ptr<MainThreadWakeup> make() {
        return std::shared_ptr<MainThreadWakeup>(new MainThreadWakeup());
    }

    /// Any thread: resumes the waiter on the main thread, or lets the next wait return at once.
    void post();

    class Awaiter {
    public:
        bool await_ready() const noexcept;
        void await_suspend(std::coroutine_handle<> waiter);
        /// True when posted, false when the time limit passed first.
        bool await_resume() const noexcept { return m_wakeup->m_posted; }

    private:
        friend class MainThreadWakeup;
        Awaiter(std::shared_ptr<MainThreadWakeup> wakeup, std::chrono::milliseconds limit)
            : m_wakeup(std::move(wakeup))
            , m_limit(limit) {}
        std::shared_ptr<MainThreadWakeup> m_wakeup;
        std::chrono::milliseconds m_limit;
    };

    /// Main thread: waits for a post made since the last wait, or at most `limit`.
    Awaiter wait(std::chrono::milliseconds limit);

private:
    MainThreadWakeup() = default;
    void resume(bool posted);

    // Main thread only.
    std::coroutine_handle<> m_waiter;
    bool m_pending = false;    ///< posted while nobody waited
    bool m_posted = false;     ///< the outcome of the last wait
    std::uint64_t m_round = 0; ///< tells a time-out of an earlier wait apart
};

} // namespace brindle
