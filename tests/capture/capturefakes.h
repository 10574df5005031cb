/**
 * @file
 * Scripted stand-ins for the recognizer and the sound server. Each records what it was asked to
 * do in a shared record the test keeps; a delay holds an asynchronous step for that virtual time.
 */
#pragma once

#include "scheduler.h"
#include "soundserver.h"
#include "speechrecognizer.h"

#include <QCoreApplication>
#include <QStringList>

#include <memory>
#include <vector>

namespace brindle::test {

struct TaskRecord {
    RecognitionHandler handler;
    QList<QByteArray> audio;
    bool ended = false;
    bool cancelled = false;

    /// Delivers a result as the recognizer would (once it is on the main thread).
    void deliver(const QString &text, bool isFinal, std::optional<QString> error = {}) const {
        if (!cancelled)
            handler(RecognizedText{text, isFinal}, std::move(error));
    }
};

struct RecognizerRecord {
    std::vector<std::shared_ptr<TaskRecord>> tasks;
    bool available = true;
    Duration readyDelay{}; ///< how long prepare() (the model's load) takes
};

class FakeRecognizer final : public SpeechRecognizer {
public:
    FakeRecognizer(Scheduler &scheduler, std::shared_ptr<RecognizerRecord> record)
        : m_scheduler(scheduler)
        , m_record(std::move(record)) {}
    bool isAvailable() const override { return m_record->available; }
    QCoro::Task<bool> prepare() override {
        auto record = m_record;
        if (record->readyDelay > Duration::zero())
            co_await m_scheduler.sleep(record->readyDelay);
        co_return record->available;
    }
    std::unique_ptr<RecognitionTask> recognize(RecognitionHandler handler) override {
        m_record->tasks.push_back(std::make_shared<TaskRecord>(TaskRecord{std::move(handler)}));
        return std::make_unique<Task>(m_record->tasks.back());
    }

private:
    struct Task final : RecognitionTask {
        explicit Task(std::shared_ptr<TaskRecord> record)
            : r(std::move(record)) {}
        void append(const AudioBuffer &buffer) override { r->audio.append(buffer.data); }
        void endAudio() override { r->ended = true; }
        void cancel() override { r->cancelled = true; }
        std::shared_ptr<TaskRecord> r;
    };
    Scheduler &m_scheduler;
    std::shared_ptr<RecognizerRecord> m_record;
};

struct StreamRecord {
    RecordRequest request;
    RecordStream *stream = nullptr; ///< while it exists
    bool running = false;
    bool stopped = false;
};

/// The sound server's side of a test: what it reports, and every stream it was asked for.
struct ServerScript {
    SoundServerSnapshot content;
    std::optional<SoundServerError> snapshotError;
    Duration snapshotDelay{};
    Duration startDelay{};     ///< of every stream
    QString failStartOfSource; ///< this source's stream fails to start
    std::vector<std::shared_ptr<StreamRecord>> streams;
    QStringList log; ///< "stop <source>" lines; the test may add its own
    std::vector<std::weak_ptr<std::function<void()>>> watchers;

    /// The server tells its watchers that something changed (after the test changed `content`).
    void notify() const {
        for (const auto &weak : std::vector(watchers)) {
            if (const auto watcher = weak.lock())
                (*watcher)();
        }
        QCoreApplication::sendPostedEvents();
    }
    /// The sources of the streams running now.
    QStringList running() const {
        QStringList out;
        for (const auto &record : streams) {
            if (record->running)
                out.append(record->request.source);
        }
        return out;
    }
};

class FakeSoundServer final : public SoundServer {
public:
    FakeSoundServer(Scheduler &scheduler, std::shared_ptr<ServerScript> script)
        : m_scheduler(scheduler)
        , m_script(std::move(script)) {}

    QCoro::Task<SoundServerSnapshot> snapshot() override {
        auto script = m_script;
        if (script->snapshotDelay > Duration::zero())
            co_await m_scheduler.sleep(script->snapshotDelay);
        if (script->snapshotError)
            throw *script->snapshotError;
        co_return SoundServerSnapshot(script->content); // a copy: co_return moves lvalues
    }

    std::unique_ptr<RecordStream> recordStream(const RecordRequest &request) override {
        m_script->streams.push_back(std::make_shared<StreamRecord>(StreamRecord{request}));
        return std::make_unique<Stream>(m_scheduler, m_script, m_script->streams.back());
    }

    std::shared_ptr<void> watchChanges(std::function<void()> onChange) override {
        auto watcher = std::make_shared<std::function<void()>>(std::move(onChange));
        m_script->watchers.push_back(watcher);
        return watcher;
    }

private:
    struct Stream final : RecordStream {
        Stream(Scheduler &scheduler, std::shared_ptr<ServerScript> script,
               std::shared_ptr<StreamRecord> record)
            : m_scheduler(scheduler)
            , m_script(std::move(script))
            , m_record(std::move(record)) {
            m_record->stream = this;
        }
        ~Stream() override { m_record->stream = nullptr; }

        QCoro::Task<> start() override {
            auto script = m_script;
            auto record = m_record;
            if (script->startDelay > Duration::zero())
                co_await m_scheduler.sleep(script->startDelay);
            if (record->stopped) // as the real stream: a stop ends a start still under way
                throw SoundServerError(SoundServerError::Kind::other, QStringLiteral("stopped"));
            if (record->request.source == script->failStartOfSource)
                throw SoundServerError(SoundServerError::Kind::other, QStringLiteral("No entity"));
            record->running = true;
        }
        QCoro::Task<> stop() override {
            m_record->running = false;
            m_record->stopped = true;
            m_script->log.append(QStringLiteral("stop ") + m_record->request.source);
            co_return;
        }

        Scheduler &m_scheduler;
        std::shared_ptr<ServerScript> m_script;
        std::shared_ptr<StreamRecord> m_record;
    };
    Scheduler &m_scheduler;
    std::shared_ptr<ServerScript> m_script;
};

} // namespace brindle::test
