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

namespace brindle::tool {

template<typename T>
struct TaskResult {
    std::optional<T> value;
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
            result.value = co_await std::move(task);
        } catch (const AppError &error) {
            result.error = error.message();
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
