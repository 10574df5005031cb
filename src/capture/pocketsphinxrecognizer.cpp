#include "pocketsphinxrecognizer.h"

#include "apperror.h"
#include "capturemessages.h"
#include "speechlevel.h"
#include "utterancesentences.h"

#include <QCoroFuture>
#include <QFileInfo>
#include <QPromise>

#include <err.h>
#include <pocketsphinx.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace brindle {

namespace {

/// What a task shares with the main-thread side of the worker's posts.
struct TaskState {
    RecognitionHandler handler;
    bool cancelled = false;
};

} // namespace

PocketSphinxRecognizer::Model PocketSphinxRecognizer::Model::installed() {
    const QString root = QStringLiteral("/usr/share/pocketsphinx/model/en-us/");
    return {root + QStringLiteral("en-us"), root + QStringLiteral("en-us.lm.bin"),
            root + QStringLiteral("cmudict-en-us.dict")};
}

bool PocketSphinxRecognizer::Model::isPresent() const {
    return QFileInfo(acousticModel).isDir() && QFileInfo(languageModel).isFile() &&
           QFileInfo(dictionary).isFile();
}

/// Owns the decoder and its thread. Commands are queued by the main thread and decoded in order;
/// results go back through posts to `target`, which drop themselves once their task is cancelled.
class PocketSphinxRecognizer::Worker {
public:
    Worker(Model model, QObject *target)
        : m_model(std::move(model))
        , m_target(target)
        , m_thread([this] { run(); }) {}

    ~Worker() {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    bool failedToLoad() const { return m_loadFailed.load(); }
    bool hasLoaded() const { return m_loaded.load(); }
    /// Resolves with true once the decoder is loaded, false when it could not be.
    QFuture<bool> ready() const { return m_readyFuture; }
    std::int64_t decodedSamples() const { return m_decodedSamples.load(); }

    enum class Kind { start, audio, end, cancel };
    struct Command {
        Kind kind;
        std::uint64_t task;
        std::weak_ptr<TaskState> state;
        QByteArray audio;
    };

    void post(Command command) {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(command));
        }
        m_wake.notify_all();
    }

    void waitUntilIdle() {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
    }

private:
    void run() {
        load();
        m_loaded = true;
        m_ready.addResult(!m_loadFailed);
        m_ready.finish();
        for (;;) {
            Command command;
            {
                std::unique_lock lock(m_mutex);
                m_busy = false;
                if (m_queue.empty())
                    m_idle.notify_all();
                m_wake.wait(lock, [this] { return m_quit || !m_queue.empty(); });
                if (m_quit)
                    break;
                command = std::move(m_queue.front());
                m_queue.pop_front();
                m_busy = true;
            }
            handle(command);
        }
        if (m_decoder) {
            if (m_inUtterance)
                ps_end_utt(m_decoder);
            ps_free(m_decoder);
        }
    }

    void load() {
        // The library's log target is process-wide and swapped without a lock by "-logfn";
        // silence it once and load one decoder at a time.
        static std::once_flag quiet;
        std::call_once(quiet, [] { err_set_logfp(nullptr); });
        static std::mutex loading;
        std::lock_guard lock(loading);
        {
            std::lock_guard quitting(m_mutex);
            if (m_quit) { // given up on while it waited for its turn
                m_loadFailed = true;
                return;
            }
        }
        cmd_ln_t *config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm",
                                       m_model.acousticModel.toLocal8Bit().constData(), "-lm",
                                       m_model.languageModel.toLocal8Bit().constData(), "-dict",
                                       m_model.dictionary.toLocal8Bit().constData(),
                                       // Bounded search: two decoders must keep up with live audio
                                       // on a small machine.
                                       "-maxhmmpf", "3000", "-maxwpf", "10",
                                       // No second pass over the whole utterance once it ends: it
                                       // held every final result back by a quarter of the
                                       // utterance's decoding time (seconds on a busy machine)
                                       // and changed one word in 150 of our test speech.
                                       "-fwdflat", "no", "-bestpath", "no", nullptr);
        m_decoder = config ? ps_init(config) : nullptr;
        if (config)
            cmd_ln_free_r(config);
        m_loadFailed = m_decoder == nullptr;
    }

    void handle(const Command &command) {
        switch (command.kind) {
        case Kind::start: {
            closeUtterance();
            // Audio that followed an utterance the recognizer ended by itself opens the next one.
            const QByteArray carried = std::exchange(m_carry, {});
            m_task = command.task;
            m_state = command.state;
            if (!m_decoder) {
                postError(QStringLiteral("the English speech model could not be loaded"));
                return;
            }
            if (ps_start_utt(m_decoder) < 0) {
                postError(QStringLiteral("the recognizer could not start an utterance"));
                return;
            }
            beginUtterance();
            decode(carried);
            return;
        }
        case Kind::audio:
            if (command.task == m_task && m_inUtterance)
                decode(command.audio);
            else if (command.task == m_task && m_endedItself)
                carry(command.audio);
            m_decodedSamples += command.audio.size() / qsizetype(sizeof(std::int16_t));
            return;
        case Kind::end:
            if (command.task == m_task && m_inUtterance)
                finishUtterance();
            return;
        case Kind::cancel:
            if (command.task == m_task) {
                closeUtterance();
                m_task = 0;
            }
            return;
        }
    }

    void beginUtterance() {
        m_inUtterance = true;
        m_endedItself = false;
        m_heardSpeech = false;
        m_samplesSincePartial = 0;
        m_lastPartial.clear();
        m_sentences = {};
        m_level = {};
    }

    void carry(const QByteArray &audio) {
        // The transcriber starts the next recognition as soon as it has the final result; this
        // only holds what was already on its way, so the bound is never reached in practice.
        constexpr qsizetype limit = 512 * captureFragmentSamples * qsizetype(sizeof(std::int16_t));
        if (m_carry.size() + audio.size() <= limit)
            m_carry += audio;
    }

    void decode(const QByteArray &audio) {
        const auto *samples = reinterpret_cast<const std::int16_t *>(audio.constData());
        const std::size_t count = std::size_t(audio.size()) / sizeof(std::int16_t);
        // Feed in 50 ms steps so partial text (every 100 ms), sentence pauses and the end of
        // speech follow the audio closely.
        constexpr std::size_t pauseCheck = std::size_t(captureFragmentSamples) / 2;
        for (std::size_t offset = 0; offset < count && m_inUtterance;) {
            const std::size_t step = std::min<std::size_t>(
                count - offset, pauseCheck - m_samplesSincePartial % pauseCheck);
            if (ps_process_raw(m_decoder, samples + offset, step, FALSE, FALSE) < 0) {
                closeUtterance();
                postError(QStringLiteral("the recognizer could not decode the audio"));
                return;
            }
            m_level.add(samples + offset, step);
            offset += step;
            m_samplesSincePartial += step;
            if (ps_get_in_speech(m_decoder)) {
                m_heardSpeech = true;
            } else if (m_heardSpeech) {
                endByItself(audio, offset); // the speaker stopped: this utterance is complete
                return;
            }
            if (m_samplesSincePartial % pauseCheck != 0)
                continue;
            // A sentence pause ends the utterance, so each sentence gets its own final result and
            // the recognizer cannot reword it once it is complete.
            std::vector<SpokenWord> words;
            if (m_level.endsQuietly()) {
                words = segmentation();
                if (UtteranceSentences::endsInPause(words)) {
                    endByItself(audio, offset);
                    return;
                }
            }
            if (m_samplesSincePartial >= std::size_t(captureFragmentSamples)) {
                m_samplesSincePartial = 0;
                if (words.empty())
                    words = segmentation();
                const auto text = m_sentences.partialText(words);
                if (!text.isEmpty() && text != m_lastPartial) {
                    m_lastPartial = text;
                    postResult({text, false});
                }
            }
        }
    }

    /// Ends the utterance after `decoded` bytes of `audio`; the rest waits for the next one.
    void endByItself(const QByteArray &audio, std::size_t decodedSamples) {
        finishUtterance();
        m_endedItself = true;
        carry(audio.mid(qsizetype(decodedSamples * sizeof(std::int16_t))));
    }

    void finishUtterance() {
        ps_end_utt(m_decoder);
        m_inUtterance = false;
        postResult({m_sentences.finalText(segmentation()), true});
    }

    void closeUtterance() {
        if (m_inUtterance)
            ps_end_utt(m_decoder);
        m_inUtterance = false;
        m_endedItself = false;
    }

    std::vector<SpokenWord> segmentation() {
        std::vector<SpokenWord> words;
        // The iterator frees itself when it runs off the end.
        for (ps_seg_t *seg = ps_seg_iter(m_decoder); seg; seg = ps_seg_next(seg)) {
            SpokenWord word;
            ps_seg_frames(seg, &word.firstFrame, &word.lastFrame);
            const char *text = ps_seg_word(seg);
            word.word = text ? QString::fromUtf8(text) : QString();
            words.push_back(std::move(word));
        }
        return words;
    }

    void postResult(RecognizedText result) { deliver(std::move(result), std::nullopt); }
    void postError(QString error) { deliver(std::nullopt, std::move(error)); }

    void deliver(std::optional<RecognizedText> result, std::optional<QString> error) {
        QMetaObject::invokeMethod(
            m_target,
            [weak = m_state, result = std::move(result), error = std::move(error)] {
                const auto state = weak.lock();
                if (state && !state->cancelled && state->handler)
                    state->handler(result, error);
            },
            Qt::QueuedConnection);
    }

    Model m_model;
    QObject *m_target;
    QPromise<bool> m_ready;
    QFuture<bool> m_readyFuture = [this] {
        m_ready.start();
        return m_ready.future();
    }();
    std::atomic<bool> m_loaded{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Command> m_queue;
    bool m_quit = false;
    bool m_busy = true;
    std::atomic<bool> m_loadFailed{false};
    std::atomic<std::int64_t> m_decodedSamples{0};

    // worker thread only
    ps_decoder_t *m_decoder = nullptr;
    std::uint64_t m_task = 0;
    std::weak_ptr<TaskState> m_state;
    bool m_inUtterance = false;
    bool m_endedItself = false; ///< the utterance ended at a pause; the task's audio is carried
    bool m_heardSpeech = false;
    std::size_t m_samplesSincePartial = 0;
    QString m_lastPartial;
    UtteranceSentences m_sentences;
    SpeechLevel m_level;
    QByteArray m_carry; ///< audio for the next utterance, decoded when it starts

    std::thread m_thread; // last: starts once everything above exists
};

class PocketSphinxRecognizer::Task final : public RecognitionTask {
public:
    Task(std::shared_ptr<Worker> worker, std::uint64_t id, RecognitionHandler handler)
        : m_worker(std::move(worker))
        , m_id(id)
        , m_state(std::make_shared<TaskState>(TaskState{std::move(handler)})) {
        m_worker->post({Worker::Kind::start, m_id, m_state, {}});
    }
    ~Task() override { cancel(); }

    void append(const AudioBuffer &buffer) override {
        if (m_ended || buffer.format != SampleFormat::signed16 || buffer.bitsPerSample != 16)
            return;
        m_worker->post({Worker::Kind::audio, m_id, {}, buffer.data});
    }
    void endAudio() override {
        if (m_ended)
            return;
        m_ended = true;
        m_worker->post({Worker::Kind::end, m_id, {}, {}});
    }
    void cancel() override {
        if (m_state->cancelled)
            return;
        m_state->cancelled = true;
        m_ended = true;
        m_worker->post({Worker::Kind::cancel, m_id, {}, {}});
    }

private:
    std::shared_ptr<Worker> m_worker;
    std::uint64_t m_id;
    std::shared_ptr<TaskState> m_state;
    bool m_ended = false;
};

PocketSphinxRecognizer::PocketSphinxRecognizer(const Model &model) {
    if (!model.isPresent())
        throw CaptureError(capturemessages::recognizerMissing());
    m_postTarget = std::make_unique<QObject>();
    m_worker = std::make_shared<Worker>(model, m_postTarget.get());
}

PocketSphinxRecognizer::~PocketSphinxRecognizer() {
    if (!m_worker->hasLoaded()) {
        // A load takes a second or more: let another thread wait for it. The post target goes
        // only once the worker can no longer post to it.
        std::thread([worker = std::move(m_worker), target = m_postTarget.release()]() mutable {
            worker.reset();
            target->deleteLater();
        }).detach();
        return;
    }
    m_worker.reset(); // joins the thread before the post target goes
}

bool PocketSphinxRecognizer::isAvailable() const {
    return !m_worker->failedToLoad();
}

QCoro::Task<bool> PocketSphinxRecognizer::prepare() {
    auto ready = m_worker->ready(); // the answer outlives this recognizer
    co_return co_await ready;
}

std::unique_ptr<RecognitionTask> PocketSphinxRecognizer::recognize(RecognitionHandler handler) {
    static std::uint64_t nextTask = 1;
    return std::make_unique<Task>(m_worker, nextTask++, std::move(handler));
}

void PocketSphinxRecognizer::waitUntilIdle() {
    m_worker->waitUntilIdle();
}

std::int64_t PocketSphinxRecognizer::decodedSamples() const {
    return m_worker->decodedSamples();
}

} // namespace brindle
