#include "callpromptpresenter.h"

#include "sessionstore.h"
#include "slackidentifier.h"

#include <QPointer>

#include <algorithm>

namespace brindle {

CallPromptPresenter::CallPromptPresenter(SessionStore &store, Scheduler &scheduler,
                                         std::unique_ptr<CallDetector> detector,
                                         std::unique_ptr<CallPromptSurface> surface,
                                         std::function<void()> onStart, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_scheduler(scheduler)
    , m_detector(std::move(detector))
    , m_surface(std::move(surface))
    , m_onStart(std::move(onStart)) {
    Q_ASSERT(m_detector);
    QPointer<CallPromptPresenter> self(this);
    m_detector->onCallStarted = [self] {
        if (self)
            self->callStarted();
    };
    m_detector->onCallEnded = [self] {
        if (self)
            self->closePrompt();
    };
    const auto closeWhenSessionBegins = [this] {
        if (m_store.isRunning() || m_store.isStarting())
            closePrompt();
    };
    connect(&m_store, &SessionStore::isRunningChanged, this, closeWhenSessionBegins);
    connect(&m_store, &SessionStore::isStartingChanged, this, closeWhenSessionBegins);
    connect(&m_store, &SessionStore::promptOnSlackCallsChanged, this,
            [this] { setPolling(m_store.promptOnSlackCalls()); });
    setPolling(m_store.promptOnSlackCalls());
}

CallPromptPresenter::~CallPromptPresenter() {
    m_detector->stopTimer();
    m_detector->onCallStarted = nullptr;
    m_detector->onCallEnded = nullptr;
    closePrompt();
}

void CallPromptPresenter::setPolling(bool enabled) {
    if (!enabled) {
        m_detector->stopTimer();
        closePrompt();
        return;
    }
    if (m_detector->hasTimer())
        return;
    m_detector->startTimer(m_scheduler);
    m_detector->poll();
}

void CallPromptPresenter::callStarted() {
    if (m_store.promptOnSlackCalls() && !m_store.isRunning() && !m_store.isStarting())
        showPrompt();
}

void CallPromptPresenter::showPrompt() {
    closePrompt();
    const auto selected = m_store.selectedSourceID();
    const QString detail =
        selected && selected->isAllSystemAudio() ? allSystemAudioDetail() : slackOnlyDetail();
    QPointer<CallPromptPresenter> self(this);
    CallPromptActions actions{
        [self] {
            if (self)
                self->startChecking();
        },
        [self] {
            if (self)
                self->closePrompt();
        },
        [self] {
            if (self)
                self->disablePrompts();
        },
    };
    m_shown = true;
    if (m_surface) {
        m_surface->open(detail, std::move(actions));
        m_surface->position();
    }
    m_expiry = m_scheduler.callAfter(seconds(expirySeconds), [this] { closePrompt(); });
}

void CallPromptPresenter::closePrompt() {
    m_expiry.cancel();
    if (!m_shown)
        return;
    m_shown = false;
    if (m_surface)
        m_surface->close();
}

void CallPromptPresenter::positionPrompt() {
    if (m_shown && m_surface)
        m_surface->position();
}

void CallPromptPresenter::startChecking() {
    closePrompt();
    if (m_onStart)
        m_onStart();
    startForCall();
}

void CallPromptPresenter::disablePrompts() {
    m_store.setPromptOnSlackCalls(false);
}

QCoro::Task<> CallPromptPresenter::startForCall() {
    if (m_store.isRunning() || m_store.isStarting())
        co_return;
    SessionStore &store = m_store; // outlives the presenter
    const auto selected = store.selectedSourceID();
    if (selected && selected->isAllSystemAudio()) {
        co_await store.start();
        co_return;
    }
    QPointer<CallPromptPresenter> self(this);
    co_await store.refreshSources();
    // A session begun meanwhile keeps its source.
    if (!self || store.isRunning() || store.isStarting())
        co_return;
    const auto &sources = store.sources();
    const auto slack = std::find_if(sources.cbegin(), sources.cend(), [](const AudioSource &s) {
        return isSlackIdentifier(s.bundleID);
    });
    if (slack == sources.cend()) {
        store.reportError(slackUnavailableMessage());
        co_return;
    }
    store.setSelectedSourceID(slack->id);
    co_await store.start();
}

} // namespace brindle
