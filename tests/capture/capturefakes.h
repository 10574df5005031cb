/**
 * @file
 * Scripted stand-ins for the recognizer and the sound server. Each records what it was asked to
 * do in a shared record the test keeps; gates let a test hold an asynchronous step open and
 * release it at the moment it chooses.
 */
#pragma once

#include "soundserver.h"
#include "speechrecognizer.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

namespace brindle::test {

/// Holds an awaiting step until released.
class Gate : public QObject {
    Q_OBJECT
public:
    bool isOpen() const { return m_open; }
    /// Opens the gate and lets the waiting step run (awaited signals resume through the queue).
    void release() {
        m_open = true;
        emit opened();
        QCoreApplication::sendPostedEvents();
    }
    QCoro::Task<> pass() {
        if (!m_open)
            co_await qCoro(this, &Gate::opened);
    }

Q_SIGNALS:
    void opened();

private:
    bool m_open = false;
};

struct TaskRecord {
    RecognitionHandler handler;
    QList<QByteArray> audio;
    bool ended = false;
    bool cancelled = false;

    /// Delivers a result as the recognizer would (once it is on the main thread).
    void deliver(const QString &text, bool isFinal,
                 std::optional<QString> error = std::nullopt) const {
        if (!cancelled)
            handler(RecognizedText{text, isFinal}, std::move(error));
    }
    void fail(const QString &error) const {
        if (!cancelled)
            handler(std::nullopt, error);
    }
};

struct RecognizerRecord {
    std::vector<std::shared_ptr<TaskRecord>> tasks;
    bool available = true;
    std::shared_ptr<TaskRecord> last() const { return tasks.empty() ? nullptr : tasks.back(); }
};

class FakeRecognizer final : public SpeechRecognizer {
public:
    explicit FakeRecognizer(std::shared_ptr<RecognizerRecord> record)
        : m_record(std::move(record)) {}
    bool isAvailable() const override { return m_record->available; }
    std::unique_ptr<RecognitionTask> recognize(RecognitionHandler handler) override {
        auto task = std::make_shared<TaskRecord>();
        task->handler = std::move(handler);
        m_record->tasks.push_back(task);
        return std::make_unique<Task>(task);
    }

private:
    class Task final : public RecognitionTask {
    public:
        explicit Task(std::shared_ptr<TaskRecord> record)
            : m_record(std::move(record)) {}
        void append(const AudioBuffer &buffer) override { m_record->audio.append(buffer.data); }
        void endAudio() override { m_record->ended = true; }
        void cancel() override { m_record->cancelled = true; }

    private:
        std::shared_ptr<TaskRecord> m_record;
    };
    std::shared_ptr<RecognizerRecord> m_record;
};

struct StreamRecord {
    RecordRequest request;
    RecordStream *stream = nullptr; ///< while it exists
    bool running = false;
    int stops = 0;
};

/// The sound server's side of a test: what it reports, and every stream it was asked for.
struct ServerScript {
    SoundServerSnapshot content;
    std::optional<SoundServerError> snapshotError;
    Gate *snapshotGate = nullptr;
    Gate *startGate = nullptr; ///< holds every stream's start
    QString failStartOfSource; ///< this source's stream fails to start ...
    SoundServerError startError{SoundServerError::Kind::other, QStringLiteral("No such entity")};
    std::vector<std::shared_ptr<StreamRecord>> streams;
    QStringList *log = nullptr; ///< "stop <source>" lines, shared with the test
};

class FakeSoundServer final : public SoundServer {
public:
    explicit FakeSoundServer(std::shared_ptr<ServerScript> script)
        : m_script(std::move(script)) {}

    QCoro::Task<SoundServerSnapshot> snapshot() override {
        auto script = m_script;
        if (script->snapshotGate)
            co_await script->snapshotGate->pass();
        if (script->snapshotError)
            throw *script->snapshotError;
        co_return SoundServerSnapshot(script->content); // a copy: co_return moves lvalues
    }

    std::unique_ptr<RecordStream> recordStream(const RecordRequest &request) override {
        auto record = std::make_shared<StreamRecord>();
        record->request = request;
        m_script->streams.push_back(record);
        return std::make_unique<Stream>(m_script, record);
    }

private:
    class Stream final : public RecordStream {
    public:
        Stream(std::shared_ptr<ServerScript> script, std::shared_ptr<StreamRecord> record)
            : m_script(std::move(script))
            , m_record(std::move(record)) {
            m_record->stream = this;
        }
        ~Stream() override { m_record->stream = nullptr; }

        QCoro::Task<> start() override {
            auto script = m_script;
            auto record = m_record;
            if (script->startGate)
                co_await script->startGate->pass();
            if (record->request.source == script->failStartOfSource)
                throw script->startError;
            record->running = true;
        }
        QCoro::Task<> stop() override {
            m_record->running = false;
            ++m_record->stops;
            if (m_script->log)
                m_script->log->append(QStringLiteral("stop ") + m_record->request.source);
            co_return;
        }

    private:
        std::shared_ptr<ServerScript> m_script;
        std::shared_ptr<StreamRecord> m_record;
    };
    std::shared_ptr<ServerScript> m_script;
};

} // namespace brindle::test
