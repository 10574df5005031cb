/**
 * @file
 * The queue of correction toasts: which finding should be on screen, which wait for a turn, and
 * which findings were already seen. A plain value owned by AppPresentation; it never touches a
 * window or a clock of its own, so every rule can be tested by feeding it lists and times.
 */
#pragma once

#include "finding.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QUuid>

#include <optional>

namespace brindle {

struct ToastDelivery {
    static constexpr qsizetype maxPending = 3;
    static constexpr double staleAfterSeconds = 30;

    std::optional<Finding> current; ///< the finding that should be on screen now
    QList<Finding> pending;         ///< waiting for a turn, oldest first
    QSet<QUuid> observed;           ///< ids of every finding in the last list received

    /// Takes the complete published list (newest first). `suppress` is true while the main window
    /// is visible: nothing is queued then, and what arrived is never toasted later.
    void receive(const QList<Finding> &findings, bool suppress, const QDateTime &now);
    /// Drops stale pending toasts and moves the next one into `current` when nothing is current.
    void advance(const QDateTime &now);
};

/// Only corrections pop up: a speaker who was wrong or left out context.
bool isToastVerdict(Verdict verdict);

} // namespace brindle
