// The whole fetch against a loopback TLS server whose certificate is minted here with the openssl
// command. Time is virtual: only the 3-second budget moves it.
#include "publicpagefetch.h"
#include "testregistry.h"
#include "virtualscheduler.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>

#include <condition_variable>
#include <mutex>

using namespace brindle;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

QByteArray okResponse(const QByteArray &body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

/// A TLS server that reads one request, answers with `response` and closes unless told to stay.
class LoopbackServer : public QObject {
public:
    LoopbackServer(const QSslCertificate &certificate, const QSslKey &key,
                   const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0) {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(certificate);
        config.setPrivateKey(key);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        server.setSslConfiguration(config);
        // Counted when the handshake starts, so a connection refused by the client's certificate
        // check counts too.
        QObject::connect(&server, &QSslServer::startedEncryptionHandshake, this,
                         [this] { ++connections; });
        QObject::connect(&server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (auto *socket = qobject_cast<QSslSocket *>(server.nextPendingConnection())) {
                client = socket;
                socket->setParent(this);
                QObject::connect(socket, &QSslSocket::readyRead, this, [this, socket] {
                    const bool complete = !request.contains("\r\n\r\n");
                    request += socket->readAll();
                    if (!complete || !request.contains("\r\n\r\n"))
                        return;
                    socket->write(response);
                    if (!stayOpen)
                        socket->disconnectFromHost();
                });
            }
        });
        listening = server.listen(address, port);
    }

    quint16 port() const { return server.serverPort(); }

    bool listening = false;
    bool stayOpen = false;
    QByteArray response;
    QByteArray request;
    int connections = 0;
    QPointer<QSslSocket> client;

private:
    QSslServer server;
};

/// Where a refused fetch looks up, connects and whom it trusts.
enum class Seams { test, systemStore, production, productionAllowingLoopback };

/// One fetch with its clock and its outcome.
struct Run {
    test::VirtualScheduler scheduler;
    std::unique_ptr<PublicPageFetch> fetch;
    bool done = false;
    std::optional<QString> page;

    void start(const QUrl &url, PageFetchEnvironment environment, CancelToken token = {}) {
        fetch = std::make_unique<PublicPageFetch>(url, scheduler, std::move(environment));
        collect(std::move(token));
    }
    QCoro::Task<> collect(CancelToken token) {
        page = co_await fetch->fetch(std::move(token));
        done = true;
    }
    bool finished() {
        return QTest::qWaitFor([this] { return done; }, 20000);
    }
    /// Moves the clock and lets the event loop see it.
    void advance(Duration delay) {
        scheduler.advance(delay);
        QCoreApplication::processEvents();
    }
};

} // namespace

class PublicPageFetchTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QSslCertificate m_certificate; // self-signed: its own and only authority
    QSslKey m_key;

    static QUrl goodUrl(const QString &path = QStringLiteral("/page")) {
        return QUrl(QStringLiteral("https://good.example") + path);
    }

    /// A fetch whose names resolve to `addresses`, that may reach 127.0.0.1 on `port` and trusts
    /// only the test authority.
    PageFetchEnvironment loopback(quint16 port,
                                  QStringList addresses = {QStringLiteral("127.0.0.1")}) const {
        return {[addresses](const QString &) { return std::optional(addresses); },
                [](const QString &a) { return a == QLatin1String("127.0.0.1"); }, port,
                QList{m_certificate}};
    }

    std::unique_ptr<LoopbackServer> makeServer(const QByteArray &response, bool stayOpen = false) {
        auto server = std::make_unique<LoopbackServer>(m_certificate, m_key);
        server->stayOpen = stayOpen;
        server->response = response;
        return server;
    }

private Q_SLOTS:
    void initTestCase() {
        if (!QSslSocket::supportsSsl())
            QSKIP("no TLS backend");
        QVERIFY(m_dir.isValid());
        // OpenSSL 3 names the curve with -pkeyopt.
        QProcess openssl;
        openssl.setWorkingDirectory(m_dir.path());
        openssl.start(u"openssl"_s,
                      u"req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
                      "-nodes -keyout leaf.key -out leaf.pem -days 2 -subj "
                      "/CN=good.example -addext subjectAltName=DNS:good.example"_s.split(u' '));
        QVERIFY2(openssl.waitForFinished(30000) && openssl.exitCode() == 0,
                 openssl.readAllStandardError().constData());
        m_certificate = QSslCertificate::fromPath(m_dir.filePath(u"leaf.pem"_s)).value(0);
        QFile key(m_dir.filePath(u"leaf.key"_s));
        QVERIFY(key.open(QIODevice::ReadOnly));
        m_key = QSslKey(&key, QSsl::Ec);
        QVERIFY(!m_certificate.isNull() && !m_key.isNull());
    }

    // The cap row's server stays open: only the cap can end that fetch with no time passed.
    void servedPages_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("stayOpen");
        QTest::addColumn<QByteArray>("expectedTarget");
        QTest::addColumn<std::optional<QString>>("page");
        const QByteArray body = "<p>Hello&nbsp;<b>World</b></p>",
                         large(524288 - okResponse("").size() - 5, 'x'); // six-digit length
        QCOMPARE(okResponse(large).size(), 524288);
        QTest::newRow("page with length") << u"/page"_s << okResponse(body) << false << "/page"_ba
                                          << std::optional(QString::fromUtf8(body));
        QTest::newRow("chunked, empty path, query kept, fragment dropped")
            << u"?q=a%20b#section"_s
            << "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n"
               "5\r\nhello\r\n0\r\n\r\n"_ba
            << false << "/?q=a%20b"_ba << std::optional(u"hello"_s);
        QTest::newRow("response of exactly the cap")
            << u"/big"_s << okResponse(large) << false << "/big"_ba
            << std::optional(QString::fromUtf8(large));
        QTest::newRow("one byte over the cap") << u"/big"_s << okResponse(large + 'x') << true
                                               << "/big"_ba << std::optional<QString>();
    }

    void servedPages() {
        QFETCH(QString, path);
        QFETCH(QByteArray, response);
        QFETCH(bool, stayOpen);
        QFETCH(QByteArray, expectedTarget);
        auto server = makeServer(response, stayOpen);
        Run run;
        run.start(goodUrl(path), loopback(server->port()));
        QVERIFY(run.finished());
        QTEST(run.page, "page");
        QCOMPARE(server->request, "GET " + expectedTarget +
                                      " HTTP/1.1\r\nHost: good.example\r\nAccept: text/html, "
                                      "text/plain\r\nAccept-Encoding: identity\r\nConnection: "
                                      "close\r\nUser-Agent: Brindle/1\r\n\r\n");
        QCOMPARE(run.scheduler.monotonic(), Duration::zero());
        QTRY_VERIFY_WITH_TIMEOUT(
            !server->client || server->client->state() != QAbstractSocket::ConnectedState, 20000);
    }

    // A server that holds the line: the budget covers the whole fetch, not each silence, and
    // cancellation ends the fetch at once and takes the budget timer with it.
    void heldFetchEndsAtTheBudgetOrAtCancellation() {
        const QByteArray response = okResponse("<p>slow</p>");
        auto server = makeServer(response.first(20), true);
        Run run;
        run.start(goodUrl(), loopback(server->port()));
        QTRY_VERIFY_WITH_TIMEOUT(server->client && server->request.endsWith("\r\n\r\n"), 20000);
        for (int step = 0; step < 2; ++step) {
            run.scheduler.advance(1400ms);
            server->client->write(response.mid(20 + step, 1));
            QTRY_COMPARE_WITH_TIMEOUT(server->client->bytesToWrite(), 0, 20000);
            QCoreApplication::processEvents();
            QVERIFY(!run.done);
        }
        run.advance(199ms);
        QVERIFY(!run.done);
        run.advance(1ms);
        QVERIFY(run.finished());
        QCOMPARE(run.page, std::nullopt);

        CancelSource cancel;
        Run cancelled;
        cancelled.start(goodUrl(), loopback(server->port()), cancel.get_token());
        QTRY_COMPARE_WITH_TIMEOUT(server->request.count("\r\n\r\n"), 2, 20000);
        cancel.request_stop();
        QVERIFY(!cancelled.done); // the caller is resumed from the event loop, not the stop
        QCoreApplication::processEvents();
        QVERIFY(cancelled.done);
        QCOMPARE(cancelled.scheduler.pendingCount(), 0u);
        QCOMPARE(cancelled.page, std::nullopt);
    }

    // Unanswered DNS queries block their threads for seconds: they must not keep a later fetch
    // from resolving, and a lookup still queued when its fetch has ended never runs.
    void blockedLookupsNeitherStarveLaterFetchesNorRunStale() {
        struct Gate {
            std::mutex mutex;
            std::condition_variable opened;
            bool open = false;
            std::atomic<int> entered = 0, stale = 0;
        };
        const auto gate = std::make_shared<Gate>(); // outlives the test on the lookup threads
        const auto openGate = [gate] {
            const std::lock_guard lock(gate->mutex);
            gate->open = true;
            gate->opened.notify_all();
        };
        const auto openOnExit = qScopeGuard(openGate);
        const auto hang = [gate](auto &) -> std::optional<QStringList> {
            ++gate->entered;
            std::unique_lock lock(gate->mutex);
            gate->opened.wait(lock, [&] { return gate->open; });
            return std::nullopt;
        };
        std::vector<std::unique_ptr<Run>> runs;
        const auto startRuns = [&](int count, auto lookup) {
            for (int i = 0; i < count; ++i) {
                auto seams = loopback(0);
                seams.lookup = lookup;
                runs.push_back(std::make_unique<Run>());
                runs.back()->start(goodUrl(), std::move(seams));
            }
        };
        const auto getsPage = [this] {
            auto server = makeServer(okResponse("ok"));
            Run run;
            run.start(goodUrl(), loopback(server->port()));
            return run.finished() && run.page == u"ok"_s;
        };
        startRuns(8, hang);
        QTRY_COMPARE_WITH_TIMEOUT(gate->entered.load(), 8, 20000);
        QVERIFY(getsPage());

        startRuns(PublicPageFetch::maxLookupThreads - 8, hang);
        QTRY_COMPARE_WITH_TIMEOUT(gate->entered.load(), PublicPageFetch::maxLookupThreads, 20000);
        startRuns(1, [gate](auto &) {
            ++gate->stale;
            return std::optional<QStringList>();
        });
        for (auto &run : runs) {
            run->advance(3s); // the budget still ends a fetch whose lookup hangs
            QVERIFY(run->done);
        }
        openGate();
        // The queued stale lookup was taken from the queue before this one, which gets its page.
        QVERIFY(getsPage());
        QCOMPARE(gate->stale.load(), 0);
    }

    // Refused before a byte of the request is sent. `connects` says whether TLS got as far as a
    // connection (the certificate check) or the destination was refused before it. The URL rows
    // resolve to an address the fetch may reach, so only the fetcher's own URL rule stops them.
    // The production rows keep the real environment but its resolver: a private answer is never
    // contacted; allowing it shows the real port (443) and trust store (the system's) are used.
    void refusedFetches_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<Seams>("seams");
        QTest::addColumn<bool>("connects");
        const QUrl good = goodUrl(u"/"_s);
        const QStringList local{u"127.0.0.1"_s};
        QTest::newRow("certificate for another name")
            << QUrl(u"https://wrong.example/page"_s) << local << Seams::test << true;
        QTest::newRow("authority not in the system store")
            << good << local << Seams::systemStore << true;
        QTest::newRow("one unreachable answer among reachable ones")
            << good << QStringList{u"127.0.0.1"_s, u"10.0.0.1"_s} << Seams::test << false;
        QTest::newRow("no answer") << good << QStringList() << Seams::test << false;
        QTest::newRow("http scheme")
            << QUrl(u"http://good.example/"_s) << local << Seams::test << false;
        QTest::newRow("user name")
            << QUrl(u"https://me@good.example/"_s) << local << Seams::test << false;
        QTest::newRow("production, private answer") << good << local << Seams::production << false;
        QTest::newRow("production, port 443 and system trust")
            << good << local << Seams::productionAllowingLoopback << true;
    }

    void refusedFetches() {
        QFETCH(QUrl, url);
        QFETCH(QStringList, addresses);
        QFETCH(Seams, seams);
        QFETCH(bool, connects);
        std::unique_ptr<LoopbackServer> server;
        PageFetchEnvironment environment;
        if (seams == Seams::production || seams == Seams::productionAllowingLoopback) {
            // A loopback address of its own, so parallel runs do not share port 443.
            const auto host = QStringLiteral("127.%1.%2.%3")
                                  .arg(QRandomGenerator::global()->bounded(1, 255))
                                  .arg(QRandomGenerator::global()->bounded(256))
                                  .arg(QRandomGenerator::global()->bounded(1, 255));
            server =
                std::make_unique<LoopbackServer>(m_certificate, m_key, QHostAddress(host), 443);
            if (!server->listening)
                QSKIP("port 443 needs privileges this run does not have");
            environment.lookup = [host](auto &) { return std::optional(QStringList{host}); };
            if (seams == Seams::productionAllowingLoopback)
                environment.isPublic = [host](const QString &a) { return a == host; };
        } else {
            server = makeServer({});
            environment = loopback(server->port(), addresses);
            if (seams == Seams::systemStore)
                environment.trustAnchors.reset();
        }
        server->response = okResponse("secret");
        Run run;
        run.start(url, std::move(environment));
        QVERIFY(run.finished());
        QCOMPARE(run.page, std::nullopt);
        QCOMPARE(server->request, QByteArray()); // nothing was sent before the check
        QCOMPARE(server->connections, connects ? 1 : 0);
    }
};

BRINDLE_REGISTER_TEST(PublicPageFetchTest);
#include "publicpagefetchtest.moc"
