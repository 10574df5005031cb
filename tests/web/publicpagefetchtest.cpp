// The whole fetch against a loopback TLS server whose certificate authority is minted here with
// the openssl command. Time is virtual: only the 3-second budget moves it.
#include "publicpagefetchprobe.h"
#include "testregistry.h"
#include "virtualscheduler.h"

#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace brindle;
using namespace std::chrono_literals;

namespace {

struct Outcome {
    bool done = false;
    std::optional<QString> page;
};

QCoro::Task<> runFetch(PublicPageFetch *fetch, Outcome *outcome, CancelToken token) {
    outcome->page = co_await fetch->fetch(std::move(token));
    outcome->done = true;
}

QByteArray okResponse(const QByteArray &body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

/// A TLS server on 127.0.0.1 that reads one request and then does what the test tells it.
class LoopbackServer : public QObject {
public:
    enum class Reply { respondAndClose, respondAndStayOpen, silent };

    LoopbackServer(const QSslCertificate &certificate, const QSslKey &key) {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(certificate);
        config.setPrivateKey(key);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        server.setSslConfiguration(config);
        QObject::connect(&server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (auto *socket = qobject_cast<QSslSocket *>(server.nextPendingConnection()))
                accept(socket);
        });
        QVERIFY(server.listen(QHostAddress::LocalHost));
    }

    quint16 port() const { return server.serverPort(); }

    Reply reply = Reply::respondAndClose;
    QByteArray response;
    QByteArray request;
    int connections = 0;
    QPointer<QSslSocket> client;

private:
    void accept(QSslSocket *socket) {
        ++connections;
        client = socket;
        socket->setParent(this);
        QObject::connect(socket, &QSslSocket::readyRead, this, [this, socket] {
            const bool complete = !request.contains("\r\n\r\n");
            request += socket->readAll();
            if (!complete || !request.contains("\r\n\r\n") || reply == Reply::silent)
                return;
            socket->write(response);
            if (reply == Reply::respondAndClose)
                socket->disconnectFromHost();
        });
    }

    QSslServer server;
};

} // namespace

class PublicPageFetchTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QSslCertificate m_authority;
    QSslCertificate m_certificate;
    QSslKey m_key;

    /// Runs the openssl command with space-separated arguments in the scratch folder.
    bool openssl(const char *arguments) {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral("openssl"), QString::fromLatin1(arguments).split(u' '));
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            qWarning() << arguments << process.readAllStandardError();
            return false;
        }
        return true;
    }

    QByteArray readFile(const QString &name) {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QUrl goodUrl(const QString &path = QStringLiteral("/page")) const {
        return QUrl(QStringLiteral("https://good.example") + path);
    }

    std::unique_ptr<PublicPageFetch> makeFetch(test::VirtualScheduler &scheduler,
                                               const LoopbackServer &server, const QUrl &url,
                                               bool allowLoopback = true) {
        return test::PublicPageFetchProbe::make(
            url, scheduler,
            {server.port(), {QStringLiteral("127.0.0.1")}, allowLoopback, QList{m_authority}});
    }

    std::unique_ptr<LoopbackServer> makeServer() {
        return std::make_unique<LoopbackServer>(m_certificate, m_key);
    }

private Q_SLOTS:
    void initTestCase() {
        if (!QSslSocket::supportsSsl())
            QSKIP("no TLS backend");
        QVERIFY(m_dir.isValid());
        QFile extensions(m_dir.filePath(QStringLiteral("leaf.ext")));
        QVERIFY(extensions.open(QIODevice::WriteOnly));
        extensions.write("subjectAltName=DNS:good.example\nbasicConstraints=CA:FALSE\n"
                         "extendedKeyUsage=serverAuth\n");
        extensions.close();
        QVERIFY(openssl("ecparam -name prime256v1 -out curve.pem"));
        QVERIFY(openssl("req -x509 -newkey ec:curve.pem -nodes -keyout ca.key -out ca.pem -days 2 "
                        "-subj /CN=Test-Authority -addext basicConstraints=critical,CA:TRUE "
                        "-addext keyUsage=critical,keyCertSign,cRLSign"));
        QVERIFY(openssl("req -newkey ec:curve.pem -nodes -keyout leaf.key -out leaf.csr "
                        "-subj /CN=good.example"));
        QVERIFY(openssl("x509 -req -in leaf.csr -CA ca.pem -CAkey ca.key -CAcreateserial "
                        "-out leaf.pem -days 2 -extfile leaf.ext"));
        m_authority = QSslCertificate(readFile(QStringLiteral("ca.pem")));
        m_certificate = QSslCertificate(readFile(QStringLiteral("leaf.pem")));
        m_key = QSslKey(readFile(QStringLiteral("leaf.key")), QSsl::Ec);
        QVERIFY(!m_authority.isNull());
        QVERIFY(!m_certificate.isNull());
        QVERIFY(!m_key.isNull());
    }

    void servedPages_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("expectedTarget");
        QTest::addColumn<std::optional<QString>>("expected");

        const QByteArray body = "<p>Hello&nbsp;<b>World</b></p>";
        QTest::newRow("page with length")
            << QStringLiteral("/page") << okResponse(body) << QByteArray("/page")
            << std::optional(QString::fromUtf8(body));
        QTest::newRow("chunked, empty path, query kept, fragment dropped")
            << QStringLiteral("?q=a%20b#section")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                          "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")
            << QByteArray("/?q=a%20b") << std::optional(QStringLiteral("hello"));
        QTest::newRow("encoded line break stays encoded")
            << QStringLiteral("/a%0Ab%0D") << okResponse("ok") << QByteArray("/a%0Ab%0D")
            << std::optional(QStringLiteral("ok"));
        const QByteArray large(520000, 'x');
        QTest::newRow("page just under the cap")
            << QStringLiteral("/big") << okResponse(large) << QByteArray("/big")
            << std::optional(QString::fromLatin1(large));
        QTest::newRow("redirect") << QStringLiteral("/moved")
                                  << QByteArray("HTTP/1.1 301 Moved\r\nLocation: "
                                                "https://127.0.0.1/\r\nContent-Type: "
                                                "text/html\r\n\r\n")
                                  << QByteArray("/moved") << std::optional<QString>();
    }

    void servedPages() {
        QFETCH(QString, path);
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, expectedTarget);
        QFETCH(std::optional<QString>, expected);

        test::VirtualScheduler scheduler;
        auto server = makeServer();
        server->response = response;
        auto fetch = makeFetch(scheduler, *server, goodUrl(path));
        Outcome outcome;
        runFetch(fetch.get(), &outcome, {});
        QTRY_VERIFY_WITH_TIMEOUT(outcome.done, 20000);
        QCOMPARE(outcome.page, expected);
        QCOMPARE(server->request, "GET " + expectedTarget +
                                      " HTTP/1.1\r\nHost: good.example\r\nAccept: text/html, "
                                      "text/plain\r\nAccept-Encoding: identity\r\nConnection: "
                                      "close\r\nUser-Agent: Brindle/1\r\n\r\n");
        QCOMPARE(scheduler.monotonic(), Duration::zero());
    }

    void oversizedPageIsCutOffWithoutWaitingForTheEnd() {
        test::VirtualScheduler scheduler;
        auto server = makeServer();
        server->reply = LoopbackServer::Reply::respondAndStayOpen;
        server->response = okResponse(QByteArray(600000, 'x'));
        auto fetch = makeFetch(scheduler, *server, goodUrl());
        Outcome outcome;
        runFetch(fetch.get(), &outcome, {});
        QTRY_VERIFY_WITH_TIMEOUT(outcome.done, 20000);
        QCOMPARE(outcome.page, std::nullopt);
        // The server never closed and no time passed: the cap ended it and dropped the link.
        QCOMPARE(scheduler.monotonic(), Duration::zero());
        QTRY_VERIFY_WITH_TIMEOUT(
            !server->client || server->client->state() != QAbstractSocket::ConnectedState, 20000);
    }

    void slowServerIsCutOffAtTheBudget() {
        test::VirtualScheduler scheduler;
        auto server = makeServer();
        server->reply = LoopbackServer::Reply::respondAndStayOpen;
        const QByteArray response = okResponse("<p>slow</p>");
        server->response = response.first(20);
        auto fetch = makeFetch(scheduler, *server, goodUrl());
        Outcome outcome;
        runFetch(fetch.get(), &outcome, {});
        QTRY_VERIFY_WITH_TIMEOUT(server->client && server->request.endsWith("\r\n\r\n"), 20000);
        // The bytes keep coming, but the budget covers the whole fetch, not each silence.
        for (int step = 0; step < 2; ++step) {
            scheduler.advance(1400ms);
            server->client->write(response.mid(20 + step, 1));
            QTRY_COMPARE_WITH_TIMEOUT(server->client->bytesToWrite(), 0, 20000);
            QCoreApplication::processEvents();
            QVERIFY(!outcome.done);
        }
        scheduler.advance(199ms);
        QCoreApplication::processEvents();
        QVERIFY(!outcome.done);
        scheduler.advance(1ms);
        QTRY_VERIFY_WITH_TIMEOUT(outcome.done, 20000);
        QCOMPARE(outcome.page, std::nullopt);
    }

    void serverThatNeverAnswersEndsAtTheBudget_data() {
        QTest::addColumn<bool>("speaksTls");
        QTest::newRow("no TLS handshake") << false;
        QTest::newRow("TLS but no HTTP answer") << true;
    }

    void serverThatNeverAnswersEndsAtTheBudget() {
        QFETCH(bool, speaksTls);
        test::VirtualScheduler scheduler;
        auto tlsServer = makeServer();
        tlsServer->reply = LoopbackServer::Reply::silent;
        QTcpServer tcpServer;
        QVERIFY(tcpServer.listen(QHostAddress::LocalHost));
        const quint16 port = speaksTls ? tlsServer->port() : tcpServer.serverPort();
        auto fetch = test::PublicPageFetchProbe::make(
            goodUrl(), scheduler, {port, {QStringLiteral("127.0.0.1")}, true, QList{m_authority}});
        Outcome outcome;
        runFetch(fetch.get(), &outcome, {});
        if (speaksTls)
            QTRY_VERIFY_WITH_TIMEOUT(tlsServer->request.endsWith("\r\n\r\n"), 20000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(tcpServer.hasPendingConnections(), 20000);
        scheduler.advance(2999ms);
        QCoreApplication::processEvents();
        QVERIFY(!outcome.done);
        scheduler.advance(1ms);
        QTRY_VERIFY_WITH_TIMEOUT(outcome.done, 20000);
        QCOMPARE(outcome.page, std::nullopt);
    }

    void untrustedServersAreRefused_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("systemStore");
        QTest::newRow("certificate for another name") << QStringLiteral("wrong.example") << false;
        QTest::newRow("authority not in the system store")
            << QStringLiteral("good.example") << true;
    }

    void untrustedServersAreRefused() {
        QFETCH(QString, host);
        QFETCH(bool, systemStore);
        test::VirtualScheduler scheduler;
        auto server = makeServer();
        server->response = okResponse("secret");
        std::optional<QList<QSslCertificate>> anchors;
        if (!systemStore)
            anchors = QList{m_authority};
        auto fetch = test::PublicPageFetchProbe::make(
            QUrl(QStringLiteral("https://%1/page").arg(host)), scheduler,
            {server->port(), {QStringLiteral("127.0.0.1")}, true, anchors});
        Outcome outcome;
        runFetch(fetch.get(), &outcome, {});
        QTRY_VERIFY_WITH_TIMEOUT(outcome.done, 20000);
        QCOMPARE(outcome.page, std::nullopt);
        QCOMPARE(server->request, QByteArray()); // nothing was sent before the check
    }

    void refusedDestinationsNeverConnect_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QStringList>("addresses");
        const QStringList loopback{QStringLiteral("127.0.0.1")};
        QTest::newRow("private answer under the production policy")
            << QUrl(QStringLiteral("https://good.example/")) << loopback;
        QTest::newRow("one private answer among public ones")
            << QUrl(QStringLiteral("https://good.example/"))
            << QStringList{QStringLiteral("93.184.216.34"), QStringLiteral("127.0.0.1")};
        QTest::newRow("no answer")
            << QUrl(QStringLiteral("https://good.example/")) << QStringList();
        QTest::newRow("http scheme") << QUrl(QStringLiteral("http://good.example/")) << loopback;
        QTest::newRow("numeric host") << QUrl(QStringLiteral("https://127.0.0.1/")) << loopback;
    }

    void refusedDestinationsNeverConnect() {
        QFETCH(QUrl, url);
        QFETCH(QStringList, addresses);
        test::VirtualScheduler scheduler;
        auto server = makeServer();
        server->response = okResponse("secret");
        auto fetch = test::PublicPageFetchProbe::make(
            url, scheduler, {server->port(), addresses, false, QList{m_authority}});
        Outcome outcome;
        runFetch(fetch.get(), &outcome, {});
        QTRY_VERIFY_WITH_TIMEOUT(outcome.done, 20000);
        QCOMPARE(outcome.page, std::nullopt);
        QCOMPARE(server->connections, 0);
    }

    void cancellationEndsTheFetchAtOnce() {
        test::VirtualScheduler scheduler;
        auto server = makeServer();
        server->reply = LoopbackServer::Reply::silent;
        auto fetch = makeFetch(scheduler, *server, goodUrl());
        CancelSource cancel;
        Outcome outcome;
        runFetch(fetch.get(), &outcome, cancel.get_token());
        QTRY_VERIFY_WITH_TIMEOUT(server->request.endsWith("\r\n\r\n"), 20000);
        cancel.request_stop();
        QVERIFY(!outcome.done); // the caller is resumed from the event loop, not from the stop
        QCoreApplication::processEvents();
        QVERIFY(outcome.done);
        QCOMPARE(outcome.page, std::nullopt);
        QCOMPARE(scheduler.pendingCount(), 0u); // the budget timer went with it

        Outcome again;
        runFetch(fetch.get(), &again, {});
        QVERIFY(again.done); // used once: a second fetch is nothing, at once
        QCOMPARE(again.page, std::nullopt);
    }
};

BRINDLE_REGISTER_TEST(PublicPageFetchTest);
#include "publicpagefetchtest.moc"
