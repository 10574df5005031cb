/**
 * @file
 * A real HTTP/1.1 server on 127.0.0.1 (random port) standing in for the model providers. It
 * records every request and answers each with the reply the test chose, one reply per
 * connection ("Connection: close"). It lives on the test's thread; its sockets are its children.
 */
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

class QTcpServer;
class QTcpSocket;

namespace brindle::test {

struct RecordedRequest {
    QByteArray method;
    QByteArray path;
    QHash<QByteArray, QByteArray> headers; ///< names in lower case
    QByteArray body;
};

struct FakeReply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = QByteArrayLiteral("application/json");
    QList<std::pair<QByteArray, QByteArray>> headers; ///< extra headers, e.g. Location
    static constexpr qsizetype untilClose = -2;       ///< no Content-Length: the body ends at close
    qsizetype declaredLength = -1; ///< Content-Length to announce; -1: the body's real size
    bool silent = false;           ///< read and record the request, never answer it
};

class FakeProviderServer : public QObject {
    Q_OBJECT

public:
    explicit FakeProviderServer(QObject *parent = nullptr);
    ~FakeProviderServer() override;

    /// http://127.0.0.1:<port><path>
    QUrl url(const QString &path) const;

    /// The reply for every path without its own.
    void setReply(FakeReply reply) { m_defaultReply = std::move(reply); }
    /// The reply for one path.
    void setReply(const QByteArray &path, FakeReply reply) { m_replies[path] = std::move(reply); }
    /// Chooses the reply from the request itself, before any other rule; nothing leaves the
    /// choice to them.
    void setResponder(std::function<std::optional<FakeReply>(const RecordedRequest &)> responder) {
        m_responder = std::move(responder);
    }
    /// The reply for every request whose body contains `marker`, before any by path.
    void setReplyForBody(const QByteArray &marker, FakeReply reply) {
        m_markedReplies.append({marker, std::move(reply)});
    }
    /// The reply for one path, made from each request (e.g. to echo what was asked).
    void setResponder(const QByteArray &path,
                      std::function<FakeReply(const RecordedRequest &)> responder) {
        m_responders[path] = std::move(responder);
    }

    const QList<RecordedRequest> &requests() const { return m_requests; }

    /// An address on 127.0.0.1 where nothing listens (a port that was just released).
    static QUrl refusingURL(const QString &path);

Q_SIGNALS:
    void requestReceived();

private:
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const RecordedRequest &request);

    QTcpServer *m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QMap<QByteArray, FakeReply> m_replies;
    QMap<QByteArray, std::function<FakeReply(const RecordedRequest &)>> m_responders;
    FakeReply m_defaultReply;
    std::function<std::optional<FakeReply>(const RecordedRequest &)> m_responder;
    QList<std::pair<QByteArray, FakeReply>> m_markedReplies;
    QList<RecordedRequest> m_requests;
};

} // namespace brindle::test
