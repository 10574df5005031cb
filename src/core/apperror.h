/**
 * @file
 * The error values the system raises. Both carry one user-facing text; that text is the whole
 * description. They are thrown (and propagate through coroutines) and caught where a failure turns
 * into the published error or status.
 */
#pragma once

#include <QString>

#include <exception>
#include <string>

namespace brindle {

/// A failure of the provider clients, settings, validation or reference loading.
class AppError : public std::exception {
public:
    explicit AppError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toStdString()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

/// A failure of audio capture or transcription.
class CaptureError : public AppError {
public:
    using AppError::AppError;
};

/// Thrown by awaiting operations whose cancellation token was stopped.
class CancelledError : public std::exception {
public:
    const char *what() const noexcept override { return "cancelled"; }
};

} // namespace brindle
