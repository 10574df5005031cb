/**
 * @file
 * One recognizer channel driven as the transcriber drives it: a new recognition starts after
 * every final result (the recognizer ends an utterance at each sentence pause), so audio fed
 * after a sentence is decoded as it would be in a capture. Main thread only.
 */
#pragma once

#include "pocketsphinxrecognizer.h"

#include <QCoreApplication>
#include <QStringList>

#include <functional>
#include <memory>

namespace brindle::bench {

struct Channel {
    PocketSphinxRecognizer recognizer;
    std::unique_ptr<RecognitionTask> task;
    QStringList finals;
    std::function<void(const RecognizedText &)> onResult;

    Channel() {
        recognizer.waitUntilIdle();
        start();
    }

    void start() {
        task = recognizer.recognize([this](std::optional<RecognizedText> result, auto) {
            if (!result)
                return;
            if (onResult)
                onResult(*result);
            if (!result->isFinal)
                return;
            finals << result->text;
            // Posted: a task is not replaced from inside its own handler.
            QMetaObject::invokeMethod(
                qApp, [this] { start(); }, Qt::QueuedConnection);
        });
    }

    /// Delivers results, and starts the next recognition when one ended.
    static void deliver() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
    }
};

} // namespace brindle::bench
