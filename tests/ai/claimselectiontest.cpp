#include "claimselection.h"
#include "fakeproviderserver.h"
#include "modelprompts.h"
#include "providertransport.h"
#include "researchreply.h"
#include "taskoutcome.h"
#include "testregistry.h"
#include "virtualscheduler.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace brindle;

namespace {

const QString invalid = QStringLiteral("Selka returned an invalid selection response.");
const QString undecodable = QStringLiteral("The selection response could not be decoded");

} // namespace

class ClaimSelectionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsTheCheckableAnswer_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<double>("noul");
        QTest::addColumn<bool>("checkable");
        QTest::addColumn<QString>("error"); // prefix of the message; empty when accepted
        const auto answer = [](const QByteArray &noul) {
            return "{\"answers\":{\"checkable\":{\"noul\":" + noul + "}},\"id\":\"d1\"}";
        };
        QTest::newRow("0.45 proceeds") << answer("0.45") << 0.45 << true << QString();
        QTest::newRow("0.4499 does not") << answer("0.4499") << 0.4499 << false << QString();
        QTest::newRow("1 is valid") << answer("1.0") << 1.0 << true << QString();
        QTest::newRow("above 1") << answer("1.0000001") << 0.0 << false << invalid;
        QTest::newRow("below 0") << answer("-0.1") << 0.0 << false << invalid;
        QTest::newRow("overflowing number") << answer("1e400") << 0.0 << false << undecodable;
        QTest::newRow("another question only")
            << QByteArray("{\"answers\":{\"relevant\":{\"noul\":0.9}}}") << 0.0 << false << invalid;
        QTest::newRow("noul as text") << answer("\"0.9\"") << 0.0 << false << undecodable;
    }

    void readsTheCheckableAnswer() {
        QFETCH(QByteArray, body);
        QFETCH(double, noul);
        QFETCH(bool, checkable);
        QFETCH(QString, error);
        try {
            const auto selection = readSelection(body);
            QVERIFY2(error.isEmpty(), "accepted");
            QCOMPARE(selection.noul, noul);
            QCOMPARE(selection.checkable, checkable);
        } catch (const AppError &e) {
            QVERIFY2(!error.isEmpty() && e.message().startsWith(error), qPrintable(e.message()));
        }
    }

    // Quorvane's endpoint is asked in the AI client's test; OpenRouter has its own.
    void asksTheConfiguredEndpoint() {
        test::VirtualScheduler scheduler;
        test::FakeProviderServer server;
        ProviderTransport transport{scheduler};
        server.setReply({200, "{\"answers\":{\"checkable\":{\"noul\":0.8}}}"});
        const AIConfiguration configuration{.selkaKey = QStringLiteral("selka-key"),
                                            .selkaModel = QStringLiteral("selka/model-2"),
                                            .selkaProvider = SelkaProvider::openRouter};
        const ProviderEndpoints endpoints{server.url(QStringLiteral("/v1/responses")),
                                          server.url(QStringLiteral("/api/v1/responses")),
                                          server.url(QStringLiteral("/api/alpha/decisions")),
                                          server.url(QStringLiteral("/v1/kestrun"))};
        test::TaskOutcome<ClaimSelection> outcome;
        test::collect(selectClaim(transport, endpoints, configuration,
                                  QStringLiteral("Water boils at 90 degrees."),
                                  QStringLiteral("We talked about cooking."), {}),
                      outcome);
        QTRY_VERIFY(outcome.done);
        QVERIFY(outcome.value && outcome.value->checkable);
        QCOMPARE(server.requests().size(), 1);
        const auto &request = server.requests().first();
        QCOMPARE(request.path, QByteArray("/api/alpha/decisions"));
        QCOMPARE(request.headers.value("authorization"), QByteArray("Bearer selka-key"));
        auto expected =
            test::singleQuoted("{'model':'selka/model-2','state':{'transcript':'Water boils at 90 "
                               "degrees.','context':'We talked about cooking.'}}");
        expected.insert(QStringLiteral("questions"),
                        QJsonObject{{QStringLiteral("checkable"),
                                     QJsonObject{{QStringLiteral("type"), QStringLiteral("noul")},
                                                 {QStringLiteral("instructions"),
                                                  ModelPrompts::selectionInstructions()}}}});
        QCOMPARE(QJsonDocument::fromJson(request.body).object(), expected);
    }
};

BRINDLE_REGISTER_TEST(ClaimSelectionTest);
#include "claimselectiontest.moc"
