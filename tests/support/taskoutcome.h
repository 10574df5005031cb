/**
 * @file
 * Runs a QCoro task to its end from a test and keeps what came out: the value, or the kind and
 * message of the error it threw. The test waits on `done` (e.g. with QTRY_VERIFY) while the event
 * loop moves network I/O along.
 */
#pragma once

#include "apperror.h"

#include <QCoroTask>

#include <optional>
#include <typeinfo>

namespace brindle::test {

template<typename T>
struct TaskOutcome {
    bool done = false;
    std::optional<T> value;
    bool cancelled = false;
    std::optional<QString> error; ///< message of an AppError
    QByteArray errorType;         ///< its dynamic type name, to tell error kinds apart
};

template<typename T>
QCoro::Task<> collect(QCoro::Task<T> task, TaskOutcome<T> &outcome) {
    try {
        outcome.value = co_await std::move(task);
    } catch (const CancelledError &) {
        outcome.cancelled = true;
    } catch (const AppError &error) {
        outcome.error = error.message();
        outcome.errorType = typeid(error).name();
    }
    outcome.done = true;
}

/// A task without a value as one whose value says it ran to its end.
inline QCoro::Task<bool> succeeds(QCoro::Task<> task) {
    co_await std::move(task);
    co_return true;
}

} // namespace brindle::test
