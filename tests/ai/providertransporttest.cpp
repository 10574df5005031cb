#include "providertransport.h"
#include "fakeproviderserver.h"
#include "taskoutcome.h"
#include "testregistry.h"
#include "virtualscheduler.h"

#include <QJsonDocument>
#include <QSignalSpy>

using namespace brindle;
using namespace std::chrono_literals;

namespace {

const QString hint = QStringLiteral(" Check the API key, model access, quota, and connection.");

const QJsonObject sampleBody{{QStringLiteral("model"), QStringLiteral("m")},
                             {QStringLiteral("store"), false},
                             {QStringLiteral("nested"), QJsonObject{{QStringLiteral("a"), 1}}}};

} // namespace

class ProviderTransportTest : public QObject {
    Q_OBJECT

    test::VirtualScheduler scheduler;

    void post(ProviderTransport &transport, const QUrl &url, const QString &key,
              test::TaskOutcome<QByteArray> &outcome, CancelToken token = {},
              const QString &provider = QStringLiteral("Selka")) {
        test::collect(transport.postJSON(url, key, sampleBody, provider, std::move(token)),
                      outcome);
    }

private Q_SLOTS:
    void sendsCompactJSONWithTheTwoHeaders() {
        test::FakeProviderServer server;
        server.setReply({200, QByteArrayLiteral("  not json, returned as is \n")});
        ProviderTransport transport(scheduler);
        test::TaskOutcome<QByteArray> outcome;
        post(transport, server.url(QStringLiteral("/v1/kestrun")), QStringLiteral("k-1"), outcome);
        QTRY_VERIFY(outcome.done);
        QCOMPARE(outcome.value, QByteArrayLiteral("  not json, returned as is \n"));
        QCOMPARE(server.requests().size(), 1);
        const auto &request = server.requests().first();
        QCOMPARE(request.method, QByteArrayLiteral("POST"));
        QCOMPARE(request.path, QByteArrayLiteral("/v1/kestrun"));
        QCOMPARE(request.headers.value("authorization"), QByteArrayLiteral("Bearer k-1"));
        QCOMPARE(request.headers.value("content-type"), QByteArrayLiteral("application/json"));
        QCOMPARE(request.body, QJsonDocument(sampleBody).toJson(QJsonDocument::Compact));
        QVERIFY(!request.body.contains(' '));
    }

    void answersOtherThan2xxFail_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected"); // empty: success
        const auto key = QStringLiteral("or-live-0123456789");
        QTest::newRow("299 is success") << 299 << QByteArray("{}") << key << QString();
        QTest::newRow("300 is not") << 300 << QByteArray("{}") << key
                                    << QStringLiteral("Selka request failed (HTTP 300).") + hint;
        QTest::newRow("401 with the key in its message")
            << 401
            << QByteArray("{\"error\":{\"message\":\"Incorrect API key provided: "
                          "or-live-0123456789.\",\"code\":401}}")
            << key
            << QStringLiteral("Selka request failed (HTTP 401). Selka said: Incorrect API key "
                              "provided: [key].") +
                   hint;
        QTest::newRow("error string with whitespace runs")
            << 429 << QByteArray("{\"error\":\"Rate   limit\\n\\n\\n  exceeded\"}") << key
            << QStringLiteral("Selka request failed (HTTP 429). Selka said: Rate limit exceeded") +
                   hint;
        QTest::newRow("top-level message")
            << 500 << QByteArray("{\"message\":\"Upstream failed.\",\"code\":500}") << key
            << QStringLiteral("Selka request failed (HTTP 500). Selka said: Upstream failed.") +
                   hint;
        QTest::newRow("HTML 502") << 502
                                  << QByteArray(
                                         "<html><body><h1>502 Bad Gateway</h1></body></html>")
                                  << key
                                  << QStringLiteral("Selka request failed (HTTP 502).") + hint;
    }

    void answersOtherThan2xxFail() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        test::FakeProviderServer server;
        server.setReply({status, body});
        ProviderTransport transport(scheduler);
        test::TaskOutcome<QByteArray> outcome;
        post(transport, server.url(QStringLiteral("/x")), key, outcome);
        QTRY_VERIFY(outcome.done);
        if (expected.isEmpty()) {
            QCOMPARE(outcome.value, body);
        } else {
            QCOMPARE(outcome.error, expected);
            QCOMPARE(outcome.errorType, QByteArray(typeid(AppError).name()));
        }
    }

    void redirectIsReportedNotFollowed() {
        test::FakeProviderServer server;
        server.setReply("/start", {302, QByteArray(), "text/plain", {{"Location", "/elsewhere"}}});
        server.setReply("/elsewhere", {200, "{}"});
        ProviderTransport transport(scheduler);
        test::TaskOutcome<QByteArray> outcome;
        post(transport, server.url(QStringLiteral("/start")), QString(), outcome, {},
             QStringLiteral("OpenRouter"));
        QTRY_VERIFY(outcome.done);
        QCOMPARE(outcome.error, QStringLiteral("OpenRouter request failed (HTTP 302).") + hint);
        QCOMPARE(server.requests().size(), 1);
    }

    void cookiesAreNeverSentBack() {
        test::FakeProviderServer server;
        server.setReply({200, "{}", "application/json", {{"Set-Cookie", "session=abc; Path=/"}}});
        ProviderTransport transport(scheduler);
        for (int i = 0; i < 2; ++i) {
            test::TaskOutcome<QByteArray> outcome;
            post(transport, server.url(QStringLiteral("/x")), QString(), outcome);
            QTRY_VERIFY(outcome.done);
        }
        QCOMPARE(server.requests().size(), 2);
        QVERIFY(!server.requests().at(1).headers.contains("cookie"));
    }

    void refusedConnectionIsATransportError() {
        ProviderTransport transport(scheduler);
        test::TaskOutcome<QByteArray> outcome;
        post(transport, test::FakeProviderServer::refusingURL(QStringLiteral("/x")), QString(),
             outcome);
        QTRY_VERIFY(outcome.done);
        QCOMPARE(outcome.errorType, QByteArray(typeid(TransportError).name()));
        QVERIFY2(outcome.error->contains(QStringLiteral("refused")), qPrintable(*outcome.error));
        QVERIFY(!outcome.error->contains(QStringLiteral("Selka")));
    }

    void bodyCutOffMidwayIsATransportError() {
        test::FakeProviderServer server;
        server.setReply({200, "{\"status\":\"comp", "application/json", {}, 400});
        ProviderTransport transport(scheduler);
        test::TaskOutcome<QByteArray> outcome;
        post(transport, server.url(QStringLiteral("/x")), QString(), outcome);
        QTRY_VERIFY(outcome.done);
        QVERIFY(!outcome.value);
        QCOMPARE(outcome.errorType, QByteArray(typeid(TransportError).name()));
    }

    // The transfer timer is idle time, the exchange timer the whole exchange; each is tested on
    // its own by making the other one longer.
    void silentServerTimesOut_data() {
        QTest::addColumn<Duration>("transfer");
        QTest::addColumn<Duration>("exchange");
        QTest::addColumn<Duration>("expiry");
        QTest::newRow("transfer") << Duration(25s) << Duration(28s) << Duration(25s);
        QTest::newRow("exchange") << Duration(60s) << Duration(28s) << Duration(28s);
    }

    void silentServerTimesOut() {
        QFETCH(Duration, transfer);
        QFETCH(Duration, exchange);
        QFETCH(Duration, expiry);
        test::VirtualScheduler clock;
        test::FakeProviderServer server;
        server.setSilent(true);
        ProviderTransport transport(clock, {transfer, exchange});
        test::TaskOutcome<QByteArray> outcome;
        post(transport, server.url(QStringLiteral("/x")), QString(), outcome);
        QTRY_COMPARE(server.requests().size(), 1);
        clock.advance(expiry - 1ms);
        QCoreApplication::processEvents();
        QVERIFY(!outcome.done);
        clock.advance(1ms);
        QTRY_VERIFY(outcome.done);
        QCOMPARE(outcome.error, QStringLiteral("The request timed out."));
        QCOMPARE(outcome.errorType, QByteArray(typeid(TransportError).name()));
    }

    void cancellationAbortsPromptly() {
        test::VirtualScheduler clock;
        test::FakeProviderServer server;
        server.setSilent(true);
        ProviderTransport transport(clock);
        CancelSource source;
        test::TaskOutcome<QByteArray> outcome;
        post(transport, server.url(QStringLiteral("/x")), QString(), outcome, source.get_token());
        QTRY_COMPARE(server.requests().size(), 1);
        source.request_stop();
        QTRY_VERIFY(outcome.done);
        QVERIFY(outcome.cancelled);
        QCOMPARE(clock.monotonic(), Duration::zero());
    }

    void keyThatWouldBreakTheHeaderIsNeverSent() {
        test::FakeProviderServer server;
        ProviderTransport transport(scheduler);
        test::TaskOutcome<QByteArray> outcome;
        post(transport, server.url(QStringLiteral("/x")), QStringLiteral("sk-abc\r\nX-Injected: 1"),
             outcome);
        QTRY_VERIFY(outcome.done);
        QVERIFY(outcome.error);
        QVERIFY(server.requests().isEmpty());
    }

    void destroyingTheTransportEndsItsRequests() {
        test::FakeProviderServer server;
        server.setSilent(true);
        auto transport = std::make_unique<ProviderTransport>(scheduler);
        test::TaskOutcome<QByteArray> outcome;
        post(*transport, server.url(QStringLiteral("/x")), QString(), outcome);
        QTRY_COMPARE(server.requests().size(), 1);
        transport.reset();
        QTRY_VERIFY(outcome.done);
        QCOMPARE(outcome.errorType, QByteArray(typeid(TransportError).name()));
    }
};

BRINDLE_REGISTER_TEST(ProviderTransportTest);
#include "providertransporttest.moc"
