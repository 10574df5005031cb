#include "fakeproviderserver.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace brindle::test {

namespace {

// Parses one complete request off the front of `buffer`; nothing while it is incomplete.
std::optional<RecordedRequest> takeRequest(QByteArray &buffer) {
    const auto headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return std::nullopt;
    const auto lines = buffer.left(headerEnd).split('\n');
    RecordedRequest request;
    const auto requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.path = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const auto colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    const auto length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() < headerEnd + 4 + length)
        return std::nullopt;
    request.body = buffer.mid(headerEnd + 4, length);
    buffer.remove(0, headerEnd + 4 + length);
    return request;
}

} // namespace

FakeProviderServer::FakeProviderServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this)) {
    m_server->listen(QHostAddress::LocalHost, 0);
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (auto *socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

FakeProviderServer::~FakeProviderServer() = default;

QUrl FakeProviderServer::url(const QString &path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server->serverPort()).arg(path));
}

QUrl FakeProviderServer::refusingURL(const QString &path) {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const auto port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path));
}

void FakeProviderServer::readFrom(QTcpSocket *socket) {
    auto &buffer = m_buffers[socket];
    buffer += socket->readAll();
    while (auto request = takeRequest(buffer)) {
        m_requests.append(*request);
        answer(socket, *request);
        Q_EMIT requestReceived();
    }
}

void FakeProviderServer::answer(QTcpSocket *socket, const RecordedRequest &request) {
    const auto chosen = m_responder ? m_responder(request)
                        : m_responders.contains(request.path)
                            ? std::optional(m_responders[request.path](request))
                            : std::nullopt;
    const auto marked = std::find_if(m_markedReplies.cbegin(), m_markedReplies.cend(),
                                     [&](const auto &m) { return request.body.contains(m.first); });
    const auto &reply = chosen                             ? *chosen
                        : marked != m_markedReplies.cend() ? marked->second
                        : m_replies.contains(request.path) ? m_replies[request.path]
                                                           : m_defaultReply;
    if (reply.silent)
        return;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n";
    out += "Content-Type: " + reply.contentType + "\r\n";
    if (reply.declaredLength != FakeReply::untilClose)
        out += "Content-Length: " +
               QByteArray::number(reply.declaredLength < 0 ? reply.body.size()
                                                           : reply.declaredLength) +
               "\r\n";
    out += "Connection: close\r\n";
    for (const auto &[name, value] : reply.headers)
        out += name + ": " + value + "\r\n";
    out += "\r\n" + reply.body;
    socket->write(out);
    socket->disconnectFromHost();
}

} // namespace brindle::test
