#include "screenshottour.h"

#include "apperror.h"
#include "apppresentation.h"
#include "appsettings.h"
#include "qmlurls.h"
#include "quicktoastsurface.h"
#include "sessionstore.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include <cstdio>

namespace brindle {

namespace {

struct SampleClaim {
    QString claim;
    Verdict verdict;
    QString explanation;
    QList<EvidenceSource> sources;
};

EvidenceSource web(const QString &title, const QString &url, const QString &passage) {
    return {title, url, passage};
}

const QList<SampleClaim> &samples() {
    static const QList<SampleClaim> list{
        {QStringLiteral("The Great Wall of China is visible from the Moon with the naked eye."),
         Verdict::contradicted,
         QStringLiteral(
             "Astronauts report the wall cannot be seen from the Moon without aid; it is "
             "too narrow at that distance."),
         {web(QStringLiteral("Visible from space? - Space agency FAQ"),
              QStringLiteral("https://example.org/faq/great-wall"),
              QStringLiteral("The Great Wall is not visible to the naked eye from the Moon."))}},
        {QStringLiteral("Water boils at 100 degrees Celsius at sea level."),
         Verdict::supported,
         QStringLiteral("At standard atmospheric pressure pure water boils at 100 °C."),
         {web(QStringLiteral("Boiling point - Encyclopedia"),
              QStringLiteral("https://example.org/boiling-point"),
              QStringLiteral("At sea level, water boils at 100 °C (212 °F)."))}},
        {QStringLiteral("Our churn went down every quarter last year."),
         Verdict::context,
         QStringLiteral("The report shows churn fell in three quarters but rose in Q3."),
         {{QStringLiteral("q4-report.md"),
           QStringLiteral("file:///home/user/References/q4-report.md"),
           QStringLiteral("Churn: Q1 4.1%, Q2 3.8%, Q3 4.4%, Q4 3.5%.")}}},
        {QStringLiteral("Lightning never strikes the same place twice."),
         Verdict::contradicted,
         QStringLiteral("Tall structures are struck many times a year; the Empire State Building "
                        "is hit about 20 times annually."),
         {web(QStringLiteral("Lightning myths - Weather service"),
              QStringLiteral("https://example.org/lightning-myths"),
              QStringLiteral("The Empire State Building is struck about 20 times per year.")),
          web(QStringLiteral("Lightning facts"), QStringLiteral("https://example.org/facts"),
              QStringLiteral("Lightning often strikes the same place repeatedly."))}},
        {QStringLiteral("The company was founded in 1998 in a garage."),
         Verdict::unresolved,
         QStringLiteral("No source in the references or on the public web confirms the year."),
         {}},
        {QStringLiteral("Bananas are berries, botanically speaking."),
         Verdict::supported,
         QStringLiteral("Botanically, bananas develop from a single ovary and count as berries."),
         {web(QStringLiteral("Berry (botany)"), QStringLiteral("https://example.org/berry"),
              QStringLiteral("In botany, bananas are classified as berries."))}},
        {QStringLiteral("Humans only use ten percent of their brains."),
         Verdict::contradicted,
         QStringLiteral("Imaging shows activity throughout the brain; the ten-percent figure is a "
                        "myth."),
         {web(QStringLiteral("Brain myths - Neuroscience society"),
              QStringLiteral("https://example.org/brain-myths"),
              QStringLiteral("We use virtually every part of the brain."))}},
        {QStringLiteral("Revenue doubled after the spring launch."),
         Verdict::context,
         QStringLiteral("Revenue doubled for one product line only; total revenue rose 18%."),
         {{QStringLiteral("launch-review.md"),
           QStringLiteral("file:///home/user/References/launch-review.md"),
           QStringLiteral("Line B revenue +104%; company revenue +18%.")}}},
    };
    return list;
}

} // namespace

QCoro::Task<std::optional<ResearchResult>> TourChecker::checkClaim(QString claim, QString,
                                                                   EvidenceMode, ReferenceCorpus,
                                                                   AIConfiguration,
                                                                   CancelToken token) {
    throwIfCancelled(token);
    for (const auto &sample : samples()) {
        if (sample.claim == claim)
            co_return ResearchResult{sample.claim, sample.verdict, sample.explanation,
                                     sample.sources};
    }
    throw AppError(QStringLiteral("OpenRouter returned HTTP 429: Rate limit exceeded for key "
                                  "sk-or-…7f3a. Try again in a minute."));
}

QStringList TourChecker::sampleClaims() {
    QStringList claims;
    for (const auto &sample : samples())
        claims.append(sample.claim);
    return claims;
}

QString TourChecker::failingClaim() {
    return QStringLiteral("Our office has the fastest elevators in Europe.");
}

ScreenshotTour::ScreenshotTour(Parts parts)
    : m_parts(parts) {
    QObject::connect(&m_parts.engine, &QQmlEngine::warnings, &m_parts.engine,
                     [this](const QList<QQmlError> &warnings) {
                         for (const auto &warning : warnings)
                             m_failures.append(warning.toString());
                     });
}

QCoro::Task<> ScreenshotTour::settle() {
    // Lets bindings, layouts and the short open/close animations finish before a frame is taken.
    co_await m_parts.scheduler.sleep(seconds(0.35));
}

QCoro::Task<> ScreenshotTour::waitFor(std::function<bool()> condition) {
    for (int i = 0; i < 100 && !condition(); ++i)
        co_await m_parts.scheduler.sleep(seconds(0.05));
    if (!condition())
        m_failures.append(QStringLiteral("timed out waiting for the session"));
}

QQuickItem *ScreenshotTour::mainView() const {
    if (auto *view = m_parts.mainWindow.findChild<QQuickItem *>(QStringLiteral("mainView")))
        return view;
    return m_parts.mainWindow.contentItem()->findChild<QQuickItem *>(QStringLiteral("mainView"));
}

QQuickItem *ScreenshotTour::find(const char *objectName) const {
    auto *view = mainView();
    return view ? view->findChild<QQuickItem *>(QLatin1String(objectName)) : nullptr;
}

bool ScreenshotTour::save(QQuickWindow &window, const QString &name) {
    const QImage image = window.grabWindow();
    const QString path = m_directory.filePath(name + QStringLiteral(".png"));
    if (image.isNull() || !image.save(path)) {
        m_failures.append(QStringLiteral("could not write ") + path);
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void ScreenshotTour::useSampleKeys() {
    // Only in memory: the tour runs on the isolated settings and never saves them.
    auto &settings = m_parts.settings;
    settings.setSelkaKey(QStringLiteral("sample-selka-key"));
    settings.setResearchKey(QStringLiteral("sample-openai-key"));
    settings.setOpenRouterKey(QStringLiteral("sample-openrouter-key"));
    settings.setResearchModel(QStringLiteral("gpt-5.4"));
    settings.setOpenRouterModel(QStringLiteral("google/gemini-3.8-flash"));
    settings.setSelkaModel(QStringLiteral("selka-1.13"));
    settings.setOpenRouterSelkaModel(QStringLiteral("quorvane/selka-1.13"));
}

QCoro::Task<> ScreenshotTour::showDemo() {
    auto &store = m_parts.store;
    store.clearContext();
    store.runDemo();
    co_await waitFor([&store] { return !store.findings().isEmpty(); });
}

QCoro::Task<> ScreenshotTour::typeClaims() {
    auto &store = m_parts.store;
    store.clearContext();
    for (const QString &claim : TourChecker::sampleClaims()) {
        const auto before = store.findings().size();
        store.setManualClaim(claim);
        store.checkManualClaim();
        co_await waitFor([&store, before] { return store.findings().size() > before; });
    }
    store.setManualClaim(TourChecker::failingClaim());
    store.checkManualClaim();
    co_await waitFor([&store] { return store.error().has_value(); });
}

bool ScreenshotTour::loadStandaloneViews() {
    bool ok = true;
    for (const QUrl &url :
         {qml::fileDialog(), qml::folderDialog(), qml::consentDialog(), qml::callPromptWindow()}) {
        QQmlComponent component(&m_parts.engine, url);
        if (!component.isReady()) {
            m_failures.append(component.errorString());
            ok = false;
        }
    }
    return ok;
}

QCoro::Task<int> ScreenshotTour::selfTest() {
    if (!mainView()) {
        std::fprintf(stderr, "self-test: the main view did not load\n");
        co_return 1;
    }
    useSampleKeys();
    loadStandaloneViews();

    co_await showDemo();
    if (!m_parts.store.findings().isEmpty())
        m_parts.presentation.selectFinding(m_parts.store.findings().first());
    co_await settle();
    m_parts.presentation.clearSelectedFinding();

    for (int research : {0, 1}) {
        m_parts.settings.setResearchProvider(ResearchProvider(research));
        QMetaObject::invokeMethod(mainView(), "openSettings");
        co_await settle();
        if (auto *sheet = mainView()->findChild<QObject *>(QStringLiteral("settingsSheet")))
            QMetaObject::invokeMethod(sheet, "close");
    }

    QuickToastSurface toasts(m_parts.engine);
    Finding finding;
    finding.id = QUuid::createUuid();
    finding.verdict = Verdict::contradicted;
    toasts.open(finding);
    if (!toasts.window())
        m_failures.append(QStringLiteral("the correction toast did not load"));
    toasts.close();

    for (const auto &failure : m_failures)
        std::fprintf(stderr, "self-test: %s\n", qPrintable(failure));
    std::printf("self-test: %s\n", m_failures.isEmpty() ? "every view loaded" : "FAILED");
    co_return m_failures.isEmpty() ? 0 : 1;
}

QCoro::Task<int> ScreenshotTour::capture(QString directory) {
    m_directory = QDir(directory);
    if (!m_directory.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(directory));
        co_return 1;
    }
    auto &window = m_parts.mainWindow;
    auto &store = m_parts.store;
    auto &settings = m_parts.settings;
    if (!mainView()) {
        std::fprintf(stderr, "screenshots: the main view did not load\n");
        co_return 1;
    }
    useSampleKeys();

    co_await store.refreshSources();
    if (!store.sources().isEmpty())
        store.setSelectedSourceID(store.sources().first().id);
    co_await settle();
    save(window, QStringLiteral("main-idle"));
    const QSize normal = window.size();
    // The whole scroll area at once, down to the typed-claim and transcript rows (opened).
    for (const char *row : {"manualRow", "transcriptRow"}) {
        if (auto *expandable = mainView()->findChild<QObject *>(QLatin1String(row)))
            expandable->setProperty("expanded", true);
    }
    window.resize(normal.width(), 1400);
    co_await settle();
    save(window, QStringLiteral("main-idle-full"));
    window.resize(normal);
    QMetaObject::invokeMethod(mainView(), "resetViewState");

    co_await showDemo();
    co_await settle();
    save(window, QStringLiteral("main-demo"));

    co_await typeClaims();
    if (auto *history = mainView()->findChild<QObject *>(QStringLiteral("historyRow")))
        history->setProperty("expanded", true);
    window.resize(normal.width(), 2600);
    co_await settle();
    save(window, QStringLiteral("main-history-error"));
    window.resize(normal);

    if (!store.findings().isEmpty())
        m_parts.presentation.selectFinding(store.findings()[1 % store.findings().size()]);
    co_await settle();
    save(window, QStringLiteral("correction-details"));
    m_parts.presentation.clearSelectedFinding();
    store.clearContext();

    struct Combination {
        ResearchProvider research;
        SelkaProvider selka;
        bool useSelka;
        const char *name;
    };
    const Combination combinations[] = {
        {ResearchProvider::openAI, SelkaProvider::quorvane, true, "settings-openai-quorvane"},
        {ResearchProvider::openAI, SelkaProvider::openRouter, true, "settings-openai-openrouter"},
        {ResearchProvider::openRouter, SelkaProvider::quorvane, true,
         "settings-openrouter-quorvane"},
        {ResearchProvider::openRouter, SelkaProvider::openRouter, true,
         "settings-openrouter-openrouter"},
        {ResearchProvider::openAI, SelkaProvider::quorvane, false, "settings-selka-off"},
    };
    QObject *sheet = mainView()->findChild<QObject *>(QStringLiteral("settingsSheet"));
    for (const auto &combination : combinations) {
        settings.setResearchProvider(combination.research);
        settings.setSelkaProvider(combination.selka);
        settings.setUseSelka(combination.useSelka);
        QMetaObject::invokeMethod(mainView(), "openSettings");
        co_await settle();
        save(window, QLatin1String(combination.name));
        QMetaObject::invokeMethod(sheet, "close");
    }
    // A save that fails (a check limit off the steps) keeps the sheet open with the orange line.
    settings.setResearchProvider(ResearchProvider::openAI);
    settings.setUseSelka(true);
    QMetaObject::invokeMethod(mainView(), "openSettings");
    if (auto *controller = sheet->property("controller").value<QObject *>())
        controller->setProperty("maxChecks", 15);
    QMetaObject::invokeMethod(sheet, "save");
    co_await settle();
    save(window, QStringLiteral("settings-save-error"));
    QMetaObject::invokeMethod(sheet, "close");

    QuickToastSurface toasts(m_parts.engine);
    const Finding demo = [&] {
        Finding f;
        f.id = QUuid::createUuid();
        f.quote = TourChecker::sampleClaims().first();
        f.explanation = QStringLiteral("Astronauts report the wall cannot be seen from the Moon "
                                       "without aid; it is too narrow at that distance.");
        f.sources = {web(QStringLiteral("Space agency FAQ"), QStringLiteral("https://example.org"),
                         QString())};
        f.createdAt = m_parts.scheduler.now();
        f.eyebrow = QStringLiteral("\u261D\uFE0F umm... brindle...");
        return f;
    }();
    for (Verdict verdict : allVerdicts) {
        Finding finding = demo;
        finding.verdict = verdict;
        finding.isDemo = verdict == Verdict::contradicted;
        toasts.open(finding);
        co_await settle();
        if (toasts.window())
            save(*toasts.window(), QStringLiteral("toast-") + verdictRawValue(verdict));
        else
            m_failures.append(QStringLiteral("the correction toast did not load"));
        toasts.close();
    }

    if (m_showCallPrompt) {
        if (QQuickWindow *prompt = m_showCallPrompt()) {
            co_await settle();
            save(*prompt, QStringLiteral("slack-call-prompt"));
        } else {
            m_failures.append(QStringLiteral("the Slack call prompt did not load"));
        }
    } else {
        std::printf("slack-call-prompt: not part of this build yet\n");
    }

    for (const auto &failure : m_failures)
        std::fprintf(stderr, "screenshots: %s\n", qPrintable(failure));
    co_return m_failures.isEmpty() ? 0 : 1;
}

} // namespace brindle
