#include "providertransport.h"
#include "fakeproviderserver.h"
#include "taskoutcome.h"
#include "testregistry.h"
#include "virtualscheduler.h"

using namespace brindle;
using namespace std::chrono_literals;

namespace {

const QString hint = QStringLiteral(" Check the API key, model access, quota, and connection.");

const QJsonObject sampleBody{{QStringLiteral("model"), QStringLiteral("m")}};

const QByteArray transportError = typeid(TransportError).name();

// One request against the fake server; `clock` drives the transport's timers.
struct Call {
    test::VirtualScheduler clock;
    test::FakeProviderServer server;
    std::unique_ptr<ProviderTransport> transport;
    test::TaskOutcome<QByteArray> outcome;

    explicit Call(TransportTimeouts timeouts = {})
        : transport(std::make_unique<ProviderTransport>(clock, timeouts)) {}
    void post(const QString &key = {}, CancelToken token = {},
              const QString &provider = QStringLiteral("Selka"), const QUrl &url = QUrl()) {
        test::collect(transport->postJSON(url.isEmpty() ? server.url(QStringLiteral("/x")) : url,
                                          key, sampleBody, provider, std::move(token)),
                      outcome);
    }
    void run(const QString &key = {}, const QString &provider = QStringLiteral("Selka"),
             const QUrl &url = QUrl()) {
        post(key, {}, provider, url);
        QTRY_VERIFY(outcome.done);
    }
};

} // namespace

class ProviderTransportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Only a 2xx answer of at most the cap succeeds; an oversized one is refused by its declared
    // length before the body arrives, or once too much has arrived.
    void answers_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<qsizetype>("declared"); // Content-Length; -1: the body's real size
        QTest::addColumn<QString>("expected");   // empty: success
        constexpr qsizetype cap = ProviderTransport::maxAnswerBytes, sized = -1;
        const auto untilClose = test::FakeReply::untilClose;
        const auto tooLarge =
            QStringLiteral("Selka request failed: the answer is larger than 4 MB "
                           "and was not read. Try again, or choose another model.");
        QTest::newRow("299 is success") << 299 << QByteArray("{}") << sized << QString();
        QTest::newRow("300 is not") << 300 << QByteArray("{}") << sized
                                    << QStringLiteral("Selka request failed (HTTP 300).") + hint;
        QTest::newRow("401 with the key in its message")
            << 401
            << QByteArray("{\"error\":{\"message\":\"Incorrect API key provided: "
                          "or-live-0123456789.\",\"code\":401}}")
            << sized
            << QStringLiteral("Selka request failed (HTTP 401). Selka said: Incorrect API key "
                              "provided: [key].") +
                   hint;
        QTest::newRow("declared over the cap") << 200 << QByteArray("{}") << cap + 1 << tooLarge;
        QTest::newRow("no length, over the cap")
            << 200 << QByteArray(cap + 1, 'x') << untilClose << tooLarge;
        QTest::newRow("no length, at the cap")
            << 200 << QByteArray(cap, 'x') << untilClose << QString();
    }
    void answers() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(qsizetype, declared);
        QFETCH(QString, expected);
        Call call;
        call.server.setReply({status, body, {}, declared});
        call.run(QStringLiteral("or-live-0123456789"));
        if (expected.isEmpty()) {
            QCOMPARE(call.outcome.value, body);
        } else {
            QCOMPARE(call.outcome.error, expected);
            QCOMPARE(call.outcome.errorType, QByteArray(typeid(AppError).name()));
        }
    }

    // A redirect is a failure, never followed; its cookie is never sent back.
    void redirectIsReportedNotFollowedAndCookiesAreNotKept() {
        Call call;
        call.server.setReply(
            "/start",
            {302, QByteArray(), {{"Location", "/elsewhere"}, {"Set-Cookie", "s=abc; Path=/"}}});
        call.server.setReply("/elsewhere", {200, "{}"});
        for (int run = 0; run < 2; ++run) {
            call.outcome = {};
            call.run({}, QStringLiteral("OpenRouter"), call.server.url(QStringLiteral("/start")));
            QCOMPARE(call.outcome.error,
                     QStringLiteral("OpenRouter request failed (HTTP 302).") + hint);
        }
        QCOMPARE(call.server.requests().size(), 2);
        QVERIFY(!call.server.requests().at(1).headers.contains("cookie"));
    }

    // Failures below HTTP are TransportErrors and do not name the provider.
    void transportFailures_data() {
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("destroyed");
        QTest::newRow("refused connection") << true << false;
        QTest::newRow("body cut off midway") << false << false;
        QTest::newRow("transport destroyed") << false << true;
    }
    void transportFailures() {
        QFETCH(bool, refused);
        QFETCH(bool, destroyed);
        Call call;
        call.server.setReply({200, "{\"status\":\"comp", {}, 400, destroyed});
        call.post({}, {}, QStringLiteral("Selka"),
                  refused ? test::FakeProviderServer::refusingURL(QStringLiteral("/x")) : QUrl());
        if (destroyed) {
            QTRY_COMPARE(call.server.requests().size(), 1);
            call.transport.reset();
        }
        QTRY_VERIFY(call.outcome.done);
        QCOMPARE(call.outcome.errorType, transportError);
        QVERIFY2(!refused || call.outcome.error->contains(QStringLiteral("refused")),
                 qPrintable(*call.outcome.error));
        QVERIFY(!call.outcome.error->contains(QStringLiteral("Selka")));
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
        Call call({transfer, exchange});
        call.server.setReply({.silent = true});
        call.post();
        QTRY_COMPARE(call.server.requests().size(), 1);
        call.clock.advance(expiry - 1ms);
        QCoreApplication::processEvents();
        QVERIFY(!call.outcome.done);
        call.clock.advance(1ms);
        QTRY_VERIFY(call.outcome.done);
        QCOMPARE(call.outcome.error, QStringLiteral("The request timed out."));
        QCOMPARE(call.outcome.errorType, transportError);
    }

    void cancellationAbortsPromptly() {
        Call call;
        call.server.setReply({.silent = true});
        CancelSource source;
        call.post({}, source.get_token());
        QTRY_COMPARE(call.server.requests().size(), 1);
        source.request_stop();
        QTRY_VERIFY(call.outcome.done);
        QVERIFY(call.outcome.cancelled);
        QCOMPARE(call.clock.monotonic(), Duration::zero());
    }

    void keyThatWouldBreakTheHeaderIsNeverSent() {
        Call call;
        call.run(QStringLiteral("sk-abc\r\nX-Injected: 1"));
        QVERIFY(call.outcome.error);
        QVERIFY(call.server.requests().isEmpty());
    }
};

BRINDLE_REGISTER_TEST(ProviderTransportTest);
#include "providertransporttest.moc"
