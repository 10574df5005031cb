/**
 * @file
 * The one way requests reach the model providers: POST a compact JSON object with the user's key
 * and get the body of a 2xx answer back. Redirects are never followed, no cookie is kept, nothing
 * is cached. Any other HTTP answer becomes an AppError naming the provider and status with the
 * provider's own (key-masked) message; a failure below HTTP (refused, timed out, TLS) is a
 * TransportError carrying the network layer's own description; a stopped token ends the request
 * at once with CancelledError. An answer over maxAnswerBytes is refused as soon as its size is
 * known (declared or received), without reading the rest.
 *
 * Lives on the main thread. The transport and its scheduler must outlive every request made from
 * it; destroying the transport aborts the requests still running.
 */
#pragma once

#include "apperror.h"
#include "cancellation.h"
#include "scheduler.h"

#include <QCoroTask>
#include <QJsonObject>
#include <QObject>
#include <QUrl>

class QNetworkAccessManager;

namespace brindle {

/// A request that got no HTTP answer at all; the message is the network layer's description.
class TransportError : public AppError {
public:
    using AppError::AppError;
};

struct TransportTimeouts {
    Duration transfer = seconds(25); ///< the request fails when no byte moves for this long
    Duration exchange = seconds(28); ///< the whole exchange, however busy
};

class ProviderTransport : public QObject {
    Q_OBJECT

public:
    /// Research and selection answers are a few kilobytes, rarely past 100 KB; four megabytes
    /// leaves ample room while keeping a runaway answer from taking seconds and hundreds of
    /// megabytes to hold and parse on the main thread.
    static constexpr qint64 maxAnswerBytes = 4 * 1024 * 1024;

    explicit ProviderTransport(Scheduler &scheduler, TransportTimeouts timeouts = {},
                               QObject *parent = nullptr);
    ~ProviderTransport() override;

    /// Posts `body` to `url` with "Authorization: Bearer <key>" and returns the 2xx body untouched.
    /// `provider` is the name used in failure messages ("Selka", "OpenAI", "OpenRouter").
    QCoro::Task<QByteArray> postJSON(QUrl url, QString key, QJsonObject body, QString provider,
                                     CancelToken token = {});

private:
    Scheduler &m_scheduler;
    TransportTimeouts m_timeouts;
    QNetworkAccessManager *m_network;
};

} // namespace brindle
