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
#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

class QTcpServer;
class QTcpSocket;

namespace brindle::test {

struct RecordedRequest {
    QByteArray path;
    QHash<QByteArray, QByteArray> headers; ///< names in lower case
    QByteArray body;
};

struct FakeReply {
    int status = 200;
    QByteArray body;
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

    /// Chooses replies: the newest responder that returns one answers; with none, 200 and no body.
    using Responder = std::function<std::optional<FakeReply>(const RecordedRequest &)>;
    void setResponder(Responder responder) { m_responders.prepend(std::move(responder)); }
    /// The reply for every request, or for every request to `path`.
    void setReply(FakeReply reply) {
        setResponder([reply](const RecordedRequest &) { return reply; });
    }
    void setReply(const QByteArray &path, FakeReply reply) {
        setResponder(path, [reply](const RecordedRequest &) { return reply; });
    }
    /// A reply made from each request to `path` (e.g. to echo what was asked).
    void setResponder(const QByteArray &path,
                      std::function<FakeReply(const RecordedRequest &)> responder) {
        setResponder([path, responder](const RecordedRequest &r) -> std::optional<FakeReply> {
            return r.path == path ? std::optional(responder(r)) : std::nullopt;
        });
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
    QList<Responder> m_responders;
    QList<RecordedRequest> m_requests;
};

} // namespace brindle::test
