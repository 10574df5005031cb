#include "publicpagefetch.h"

#include "destinationrules.h"
#include "httpresponse.h"

#include <QCoreApplication>
#include <QNetworkProxy>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QThreadPool>

#include <stop_token>

namespace brindle {

namespace {

/// Lookups can block for many seconds; they get their own threads so that a slow name never
/// holds up another fetch or the global pool. Never destroyed: exiting must not wait for them.
QThreadPool &resolverPool() {
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(PublicPageFetch::maxLookupThreads);
        p->setExpiryTimeout(30000);
        return p;
    }();
    return *pool;
}

bool isUnsafeInRequestLine(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() >= 0x7f;
}

} // namespace

std::optional<QByteArray> pageRequest(const QUrl &url) {
    if (!url.isValid())
        return std::nullopt;
    QString target = url.path(QUrl::FullyEncoded);
    if (target.isEmpty())
        target = QStringLiteral("/");
    if (url.hasQuery())
        target += u'?' + url.query(QUrl::FullyEncoded);
    const QString host = url.host(QUrl::FullyEncoded);
    // A raw line break would let a URL write its own headers; a space, its own request line.
    if (host.isEmpty() || std::any_of(target.begin(), target.end(), isUnsafeInRequestLine) ||
        std::any_of(host.begin(), host.end(), isUnsafeInRequestLine))
        return std::nullopt;
    const QString request = QStringLiteral("GET ") + target +
                            QStringLiteral(" HTTP/1.1\r\nHost: ") + host +
                            QStringLiteral("\r\nAccept: text/html, text/plain\r\n"
                                           "Accept-Encoding: identity\r\n"
                                           "Connection: close\r\n"
                                           "User-Agent: Brindle/1\r\n\r\n");
    return request.toUtf8();
}

PublicPageFetch::PublicPageFetch(QUrl url, Scheduler &scheduler, PageFetchEnvironment environment,
                                 QObject *parent)
    : QObject(parent)
    , m_url(std::move(url))
    , m_scheduler(scheduler)
    , m_environment(std::move(environment)) {}

PublicPageFetch::~PublicPageFetch() {
    m_lookupWanted->store(false);
    dropConnection();
}

QCoro::Task<std::optional<QString>> PublicPageFetch::fetch(CancelToken token) {
    if (m_started || m_finished)
        co_return std::nullopt;
    m_started = true;
    // Runs at once when the token is already stopped; finish() only posts the resumption.
    std::stop_callback onStop(token, [this] { finish(std::nullopt); });
    if (!m_finished)
        start();
    co_return co_await ResultAwaiter{this};
}

void PublicPageFetch::start() {
    m_host = m_url.host(QUrl::FullyEncoded);
    if (m_host.isEmpty() || !isAllowedURL(m_url))
        return finish(std::nullopt);
    m_timeout = m_scheduler.callAfter(seconds(timeoutSeconds), [this] { finish(std::nullopt); });

    // The worker never touches the fetch: it posts its answer to the application object, and
    // the weak pointer is only read back on this thread.
    QPointer<PublicPageFetch> self(this);
    resolverPool().start([self, wanted = m_lookupWanted, host = m_host,
                          lookup = m_environment.lookup, isPublic = m_environment.isPublic] {
        // A lookup still queued when its fetch ended would only hold a thread for nothing.
        if (!wanted->load())
            return;
        const auto address = choosePublicAddress(lookup(host), isPublic);
        if (auto *app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app,
                [self, address] {
                    if (self)
                        self->addressResolved(address);
                },
                Qt::QueuedConnection);
        }
    });
}

void PublicPageFetch::addressResolved(const std::optional<QString> &address) {
    if (m_finished)
        return;
    if (!address)
        return finish(std::nullopt);

    m_socket = new QSslSocket(this);
    m_socket->setProxy(QNetworkProxy::NoProxy);
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    config.setAllowedNextProtocols({QByteArrayLiteral("http/1.1")});
    config.setOcspStaplingEnabled(false);
    if (m_environment.trustAnchors)
        config.setCaCertificates(*m_environment.trustAnchors);
    m_socket->setSslConfiguration(config);

    connect(m_socket, &QSslSocket::encrypted, this, &PublicPageFetch::sendRequest);
    connect(m_socket, &QSslSocket::readyRead, this, &PublicPageFetch::receive);
    connect(m_socket, &QSslSocket::sslErrors, this, [this] { finish(std::nullopt); });
    connect(m_socket, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // The peer closing is how a Connection: close response ends.
        if (error == QAbstractSocket::RemoteHostClosedError)
            streamEnded();
        else
            finish(std::nullopt);
    });
    connect(m_socket, &QSslSocket::disconnected, this, &PublicPageFetch::streamEnded);
    // A numeric address, so no second lookup; SNI and the certificate name are the URL's host.
    m_socket->connectToHostEncrypted(*address, m_environment.port, m_host);
}

void PublicPageFetch::sendRequest() {
    if (m_finished)
        return;
    const auto request = pageRequest(m_url);
    if (!request)
        return finish(std::nullopt);
    if (m_socket->write(*request) != request->size())
        finish(std::nullopt);
}

void PublicPageFetch::receive() {
    while (!m_finished && m_socket->bytesAvailable() > 0) {
        const QByteArray chunk = m_socket->read(receiveChunkBytes);
        if (chunk.isEmpty())
            return;
        m_data.append(chunk);
        if (m_data.size() > maxResponseBytes)
            return finish(std::nullopt);
    }
}

void PublicPageFetch::streamEnded() {
    if (m_finished)
        return;
    receive(); // what is still buffered belongs to the response
    if (!m_finished)
        finish(parseResponse(m_data));
}

void PublicPageFetch::finish(std::optional<QString> result) {
    if (m_finished)
        return;
    m_finished = true;
    m_lookupWanted->store(false);
    m_result = std::move(result);
    m_timeout.cancel();
    dropConnection();
    m_data.clear();
    if (auto continuation = std::exchange(m_continuation, {})) {
        // Never resume the caller from inside a socket signal or a stop request.
        QMetaObject::invokeMethod(
            this, [continuation] { continuation.resume(); }, Qt::QueuedConnection);
    }
}

void PublicPageFetch::dropConnection() {
    if (auto *socket = std::exchange(m_socket, nullptr)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

} // namespace brindle
