// How much time Brindle itself adds around a provider request: from a final transcript report to
// the request reaching the (loopback) provider, and from the provider's answer to the published
// finding. Page fetches are excluded (the page loader answers at once). Prints medians.
#include "aiclient.h"
#include "fakeproviderserver.h"
#include "providertransport.h"
#include "researchreply.h"
#include "sessionfakes.h"
#include "sessionstore.h"
#include "systemscheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace brindle;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QString claim = QStringLiteral("The bridge opened in 1932.");
    SystemScheduler scheduler;
    test::FakeProviderServer server;
    server.setReply({200, test::researchReply(claim, QStringLiteral("contradicted"),
                                              QStringLiteral("https://h.example/b"),
                                              QStringLiteral("opened in 1937"),
                                              QStringLiteral("https://h.example/b"))});
    ProviderTransport transport(scheduler);
    const QUrl research = server.url(QStringLiteral("/v1/responses"));
    AIClient client(transport, {research, research, research, research},
                    [](QUrl, CancelToken) -> QCoro::Task<std::optional<QString>> {
                        co_return QStringLiteral("<p>It opened in 1937.</p>");
                    });
    test::FakeSettings settings;
    settings.config.useSelka = false;
    settings.maxChecks = 200;
    test::FakeCapture capture(scheduler);
    SessionStore store(scheduler, settings, capture, client);
    store.setEvidenceMode(EvidenceMode::web);
    store.refreshSources();
    store.setSelectedSourceID(AudioSourceID::allSystemAudio());
    store.start();
    if (!QTest::qWaitFor([&] { return store.isRunning(); }, 2000)) {
        std::fprintf(stderr, "the session did not start\n");
        return 1;
    }

    QElapsedTimer clock;
    qint64 reportedAt = 0;
    qint64 requestAt = 0;
    qint64 findingAt = 0;
    QObject::connect(&server, &test::FakeProviderServer::requestReceived,
                     [&] { requestAt = clock.nsecsElapsed(); });
    QObject::connect(&store, &SessionStore::findingsChanged,
                     [&] { findingAt = clock.nsecsElapsed(); });

    std::vector<double> toRequest;
    std::vector<double> toFinding;
    const int runs = std::clamp(argc > 1 ? QByteArray(argv[1]).toInt() : 150, 1, 200);
    for (int i = 0; i < runs; ++i) {
        store.clearContext();
        requestAt = findingAt = 0;
        clock.start();
        reportedAt = clock.nsecsElapsed();
        capture.onTranscript(claim, true);
        // A real event loop: QTest::qWaitFor sleeps in 10 ms steps between polls.
        QEventLoop loop;
        const auto quit =
            QObject::connect(&store, &SessionStore::findingsChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(quit);
        if (findingAt == 0 || store.findings().size() != 1) {
            std::fprintf(stderr, "no finding on run %d: %s\n", i, qPrintable(store.errorText()));
            return 1;
        }
        toRequest.push_back((requestAt - reportedAt) / 1e6);
        toFinding.push_back((findingAt - requestAt) / 1e6);
    }
    std::printf("runs: %d\n", runs);
    std::printf("final report -> request at the provider: median %.3f ms\n", median(toRequest));
    std::printf("request at the provider -> published finding (answer written, read, validated,\n"
                "  confirmed with an instant page, finding made): median %.3f ms\n",
                median(toFinding));
    return 0;
}
