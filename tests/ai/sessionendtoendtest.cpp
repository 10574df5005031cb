#include "aiclient.h"
#include "fakeproviderserver.h"
#include "providertransport.h"
#include "researchreply.h"
#include "sessionfakes.h"
#include "sessionstore.h"
#include "testregistry.h"
#include "virtualscheduler.h"

using namespace brindle;
using namespace brindle::test;

namespace {

// The fake provider answers every research request with a contradicted verdict for the claim it
// was asked about, citing a page the search retrieved.
FakeReply researchAnswer(const QString &claim) {
    const auto page = QStringLiteral("https://h.example/b");
    return {200, researchReply(claim, QStringLiteral("contradicted"), page,
                               QStringLiteral("opened in 1937"), page)};
}

} // namespace

class SessionEndToEndTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void transcriptReportsBecomeFindings() {
        VirtualScheduler scheduler;
        FakeProviderServer server;
        server.setReply("/v1/kestrun",
                        {200, QByteArray("{\"answers\":{\"checkable\":{\"noul\":0.8}}}")});
        ProviderTransport transport(scheduler);
        AIClient client(transport,
                        {server.url(QStringLiteral("/v1/responses")),
                         {},
                         {},
                         server.url(QStringLiteral("/v1/kestrun"))},
                        [](QUrl, CancelToken) -> QCoro::Task<std::optional<QString>> {
                            co_return QStringLiteral("<p>The bridge opened in 1937.</p>");
                        });
        FakeSettings settings;
        FakeCapture capture(scheduler);
        SessionStore store(scheduler, settings, capture, client);
        store.setEvidenceMode(EvidenceMode::web);
        store.refreshSources();
        scheduler.runPending();

        store.setSelectedSourceID(AudioSourceID::allSystemAudio());
        store.start();
        scheduler.runPending();
        QVERIFY(store.isRunning());
        const QString heard = QStringLiteral("The tower opened in 1889.");
        server.setReply("/v1/responses", researchAnswer(heard));
        capture.onTranscript(QStringLiteral("The tower opened"), false);
        capture.onTranscript(heard, true);
        QTRY_COMPARE(store.findings().size(), 1);
        QCOMPARE(store.findings().first().quote, heard);
        QCOMPARE(store.findings().first().origin->channel, QStringLiteral("application"));
        QCOMPARE(store.pendingCount(), 0);
        QVERIFY(!store.error());
        QCOMPARE(server.requests().size(), 2); // a selection request, then a research request
    }
};

BRINDLE_REGISTER_TEST(SessionEndToEndTest);
#include "sessionendtoendtest.moc"
