/**
 * @file
 * A strict one-shot page download for checking cited passages: a hand-written HTTP/1.1 GET over
 * TLS on port 443, to an address resolved in advance and checked to be public, with a 3-second
 * budget for the whole exchange and a size cap. Nothing unusual is an error; it is "no page".
 *
 * Lifetime: one object per fetch, created and used on one thread with an event loop (the main
 * thread). The owner keeps it alive until fetch() has returned. Name resolution runs on a worker
 * thread and only posts its answer back; every other step runs on the owner's thread. A dropped
 * fetch stops cleanly: its timer, socket and pending resolution answer die with it.
 */
#pragma once

#include "cancellation.h"
#include "destinationrules.h"
#include "scheduler.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QUrl>

#include <QCoroTask>

#include <atomic>
#include <coroutine>
#include <functional>
#include <memory>
#include <optional>

class QSslSocket;

namespace brindle {

/// The exact request bytes for `url`: percent-encoded target ("/" for an empty path, "?query"
/// when a query is present, never the fragment) and the URL's ASCII host. Nothing when the URL is
/// invalid or the target or host would hold a control character or space.
std::optional<QByteArray> pageRequest(const QUrl &url);

/// Where a page fetch connects and whom it trusts. The defaults are the real ones: the system
/// resolver, public addresses only, port 443 and the system trust store.
struct PageFetchEnvironment {
    std::function<std::optional<QStringList>(const QString &)> lookup = lookupAddresses;
    std::function<bool(const QString &)> isPublic = isPublicAddress;
    quint16 port = 443;
    std::optional<QList<QSslCertificate>> trustAnchors; ///< nothing: the system store
};

class PublicPageFetch final : public QObject {
public:
    static constexpr double timeoutSeconds = 3.0;
    static constexpr qsizetype receiveChunkBytes = 16384;
    static constexpr qsizetype maxResponseBytes = 524288;
    /// Lookups in flight for the whole process. An unanswered DNS query blocks its thread for
    /// about 10 s, three times the fetch budget, and a claim check starts up to three fetches:
    /// 64 lets a short outage leave threads blocked for a good twenty checks while later
    /// fetches still resolve, and stays bounded (an idle blocked thread costs little memory).
    static constexpr int maxLookupThreads = 64;

    /// No network activity until fetch().
    explicit PublicPageFetch(QUrl url, Scheduler &scheduler, PageFetchEnvironment environment = {},
                             QObject *parent = nullptr);
    ~PublicPageFetch() override;

    /// The body text, or nothing. Never throws. Stopping `token` (on the owner's thread) ends the
    /// fetch with nothing at once; the caller resumes on the next turn of the event loop. A
    /// second call returns nothing immediately.
    QCoro::Task<std::optional<QString>> fetch(CancelToken token = {});

private:
    struct ResultAwaiter {
        PublicPageFetch *self;
        bool await_ready() const noexcept { return self->m_finished; }
        void await_suspend(std::coroutine_handle<> handle) { self->m_continuation = handle; }
        std::optional<QString> await_resume() { return std::move(self->m_result); }
    };

    void start();
    void addressResolved(const std::optional<QString> &address);
    void sendRequest();
    void receive();
    void streamEnded();
    void finish(std::optional<QString> result);
    void dropConnection();

    const QUrl m_url;
    Scheduler &m_scheduler;
    const PageFetchEnvironment m_environment;
    QString m_host;
    TimerHandle m_timeout;
    QSslSocket *m_socket = nullptr;
    QByteArray m_data;
    /// Read by the queued lookup on its worker thread; cleared when the fetch ends.
    std::shared_ptr<std::atomic<bool>> m_lookupWanted = std::make_shared<std::atomic<bool>>(true);
    bool m_started = false;
    bool m_finished = false;
    std::optional<QString> m_result;
    std::coroutine_handle<> m_continuation;
};

} // namespace brindle
