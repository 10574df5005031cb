#include "providertransport.h"

#include "providerfailure.h"

#include <QCoroNetworkReply>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QPointer>

#include <optional>
#include <utility>

namespace brindle {

namespace {

// Provider traffic must not carry state from one request to the next.
class ForgetfulCookieJar final : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl &) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie> &, const QUrl &) override { return false; }
};

// A key with a line break would let its text end the header and start another.
bool fitsInHeader(const QString &key) {
    for (const QChar c : key) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

// Aborting emits finished() synchronously; posting it keeps the waiting coroutine from resuming
// inside a timer or a stop callback. A reply already gone drops the call.
void abortSoon(QNetworkReply *reply) {
    QMetaObject::invokeMethod(
        reply, [reply] { reply->abort(); }, Qt::QueuedConnection);
}

// Everything that can end a request early, alive exactly as long as the wait for it.
class RequestWatch {
public:
    RequestWatch(Scheduler &scheduler, const TransportTimeouts &timeouts, QNetworkReply *reply,
                 const CancelToken &token)
        : m_scheduler(scheduler)
        , m_timeouts(timeouts)
        , m_reply(reply) {
        m_exchange = scheduler.callAfter(timeouts.exchange, [this] { expire(); });
        restartTransferTimer();
        QObject::connect(reply, &QNetworkReply::uploadProgress, &m_context,
                         [this] { restartTransferTimer(); });
        QObject::connect(reply, &QNetworkReply::metaDataChanged, &m_context, [this] {
            const auto declared = m_reply->header(QNetworkRequest::ContentLengthHeader);
            if (declared.isValid() && declared.toLongLong() > ProviderTransport::maxAnswerBytes)
                refuseOversized();
        });
        QObject::connect(reply, &QNetworkReply::downloadProgress, &m_context,
                         [this](qint64 received) {
                             if (received > ProviderTransport::maxAnswerBytes)
                                 refuseOversized();
                             else
                                 restartTransferTimer();
                         });
        m_onStop.emplace(token, [reply] { abortSoon(reply); });
    }

    bool timedOut() const { return m_timedOut; }
    bool oversized() const { return m_oversized; }

private:
    void refuseOversized() {
        if (std::exchange(m_oversized, true))
            return;
        m_transfer.cancel();
        m_exchange.cancel();
        abortSoon(m_reply);
    }
    void restartTransferTimer() {
        m_transfer = m_scheduler.callAfter(m_timeouts.transfer, [this] { expire(); });
    }
    void expire() {
        m_timedOut = true;
        abortSoon(m_reply);
    }

    Scheduler &m_scheduler;
    TransportTimeouts m_timeouts;
    QNetworkReply *m_reply;
    QObject m_context; // owns the progress connections
    TimerHandle m_transfer;
    TimerHandle m_exchange;
    bool m_timedOut = false;
    bool m_oversized = false;
    std::optional<std::stop_callback<std::function<void()>>> m_onStop;
};

} // namespace

ProviderTransport::ProviderTransport(Scheduler &scheduler, TransportTimeouts timeouts,
                                     QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_timeouts(timeouts)
    , m_network(new QNetworkAccessManager(this)) {
    m_network->setCookieJar(new ForgetfulCookieJar(m_network));
    m_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_network->setStrictTransportSecurityEnabled(false);
}

ProviderTransport::~ProviderTransport() {
    for (auto *reply : m_network->findChildren<QNetworkReply *>()) {
        if (reply->isRunning())
            reply->abort();
    }
}

QCoro::Task<QByteArray> ProviderTransport::postJSON(QUrl url, QString key, QJsonObject body,
                                                    QString provider, CancelToken token) {
    throwIfCancelled(token);
    if (!fitsInHeader(key))
        throw AppError(QStringLiteral("The %1 API key contains a line break or another control "
                                      "character. Enter the key again.")
                           .arg(provider));

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setRawHeader(QByteArrayLiteral("Authorization"),
                         QByteArrayLiteral("Bearer ") + key.toUtf8());
    request.setRawHeader(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json"));

    // Past this point nothing of `this` is touched: the transport may be destroyed while waiting.
    QNetworkReply *reply =
        m_network->post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    std::optional<RequestWatch> watch(std::in_place, m_scheduler, m_timeouts, reply, token);
    co_await reply;
    const bool timedOut = watch->timedOut();
    const bool oversized = watch->oversized();
    watch.reset();
    reply->deleteLater();

    if (token.stop_requested())
        throw CancelledError{};
    if (timedOut && reply->error() == QNetworkReply::OperationCanceledError)
        throw TransportError(QStringLiteral("The request timed out."));
    if (oversized)
        throw AppError(QStringLiteral("%1 request failed: the answer is larger than %2 MB and was "
                                      "not read. Try again, or choose another model.")
                           .arg(provider)
                           .arg(maxAnswerBytes / (1024 * 1024)));
    const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // Codes below the content range are failures of the connection itself; they also end
    // answers whose status line did arrive (a body cut off midway is no success).
    const auto error = reply->error();
    const bool connectionFailed =
        error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
    if (connectionFailed || (!status.isValid() && error != QNetworkReply::NoError))
        throw TransportError(reply->errorString());
    const int code = status.isValid() ? status.toInt() : 0;
    const QByteArray answer = reply->readAll();
    if (code >= 200 && code <= 299)
        co_return answer;
    throw AppError(providerFailureMessage(provider, code, answer, key));
}

} // namespace brindle
