/**
 * @file
 * What the session history keeps: plain values for one session (live or a checked recording), its
 * counts and its findings. A live finding carries the time it was heard, a recording's finding
 * its position in the recording. Audio is never part of a record.
 */
#pragma once

#include "evidencemode.h"
#include "finding.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace brindle {

enum class SessionKind { live, recording };

/// "live" or "recording": the stored and exported form.
QString sessionKindName(SessionKind kind);
std::optional<SessionKind> sessionKindFromName(const QString &name);

struct SessionCounts {
    qint64 checked = 0;  ///< claims handed to the checking pipeline
    qint64 skipped = 0;  ///< claims dropped by the queue limits
    qint64 filtered = 0; ///< claims set aside (over the limit, or judged not checkable)

    friend bool operator==(const SessionCounts &, const SessionCounts &) = default;
};

/// How a session begins. `key` is made by the caller, so later writes can name the session
/// before the database has given it a number.
struct SessionStart {
    QUuid key = QUuid::createUuid();
    SessionKind kind = SessionKind::live;
    QDateTime startedAt;
    QString source; ///< the application or "All system audio"; a recording's file name
    EvidenceMode evidenceMode = EvidenceMode::web;
};

struct HistoryFinding {
    Finding finding;
    std::optional<QDateTime> heardAt; ///< live sessions
    std::optional<double> position;   ///< recordings: seconds from the start of the file

    friend bool operator==(const HistoryFinding &, const HistoryFinding &) = default;
};

/// One row of the history list.
struct SessionSummary {
    qint64 id = 0;
    QUuid key;
    SessionKind kind = SessionKind::live;
    QDateTime startedAt;
    std::optional<QDateTime> endedAt; ///< absent while running, or after a crash
    QString source;
    EvidenceMode evidenceMode = EvidenceMode::web;
    SessionCounts counts;
    qint64 findingCount = 0;
};

/// A whole session: its summary, every finding in the order they were made, and the transcript.
struct SessionRecord {
    SessionSummary summary;
    QList<HistoryFinding> findings;
    QString transcript;
};

/// "mm:ss", or "h:mm:ss" from one hour on.
QString positionText(double seconds);

} // namespace brindle
