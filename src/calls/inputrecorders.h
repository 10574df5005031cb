/**
 * @file
 * The call detector's default probe: which client processes record from a real input right now.
 * Read from the sound server's record streams (source outputs) on sources that are not monitors
 * of an output; Brindle's own streams do not count. Any failure gives an empty list.
 */
#pragma once

#include "calldetector.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace brindle {

class PulseSoundServer;

/// What the sound server says about one record stream and the client behind it.
struct RecordingStreamFacts {
    bool onMonitor = false;           ///< records an output's monitor, not an input
    std::int32_t processID = 0;       ///< the stream's own, 0 when it names none
    QString identifier;               ///< the stream's application id, else its binary
    std::int32_t clientProcessID = 0; ///< the client's, for streams that name none
    QString clientIdentifier;         ///< the client's application id, else its binary
};

/// The identifiers of the streams on real inputs, in stream order, excluding `ownProcessID`'s;
/// streams without any identifier are left out.
QStringList inputRecorderIdentifiers(const QList<RecordingStreamFacts> &streams,
                                     std::int32_t ownProcessID);

/// Asks the server (blocking for the few milliseconds a local server takes). Empty when the
/// server cannot be reached or a query fails.
QStringList inputRecorderIdentifiers(PulseSoundServer &server);

/// The detector's production probe, with a sound-server connection of its own.
CallDetector::Probe soundServerInputProbe();

} // namespace brindle
