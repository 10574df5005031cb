/**
 * @file
 * Runs one QCoro task to its end in a local event loop and keeps its value or its error message.
 * (QCoro::waitFor never returns when the task throws.)
 */
#pragma once

#include "apperror.h"

#include <QCoroTask>
#include <QEventLoop>

#include <optional>
#include <type_traits>
#include <variant>

namespace brindle::tool {

template<typename T>
struct TaskResult {
    /// The task's value (std::monostate for a task without one); nothing when it failed.
    std::optional<std::conditional_t<std::is_void_v<T>, std::monostate, T>> value;
    QString error;
};

template<typename T>
TaskResult<T> runTask(QCoro::Task<T> task) {
    TaskResult<T> result;
    QEventLoop loop;
    bool done = false;
    auto run = [](QCoro::Task<T> task, TaskResult<T> &result, bool &done,
                  QEventLoop &loop) -> QCoro::Task<> {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await std::move(task);
                result.value.emplace();
            } else {
                result.value = co_await std::move(task);
            }
        } catch (const AppError &error) {
            result.error = error.message();
        } catch (const CancelledError &) {
            result.error = QStringLiteral("cancelled");
        } catch (const std::exception &error) {
            result.error = QString::fromUtf8(error.what());
        }
        done = true;
        loop.quit();
    };
    auto running = run(std::move(task), result, done, loop);
    if (!done)
        loop.exec();
    return result;
}

} // namespace brindle::tool
