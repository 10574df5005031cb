/**
 * @file
 * The call detector's default probe: which client processes record from a real input right now.
 * Read from the sound server's record streams (source outputs) on sources that are not monitors
 * of an output; Brindle's own streams do not count. Any failure, or no answer within the sound
 * server's time limit, gives an empty list; the main thread never waits on the server.
 */
#pragma once

#include "calldetector.h"
#include "soundserver.h"

#include <QList>
#include <QStringList>

#include <cstdint>

namespace brindle {

/// The identifiers of the streams on real inputs, in stream order, excluding `ownProcessID`'s;
/// streams without any identifier are left out.
QStringList inputRecorderIdentifiers(const QList<RecordingStream> &streams,
                                     std::int32_t ownProcessID);

/// Asks the server. Empty when it cannot be reached, fails or does not answer in time.
QCoro::Task<QStringList> inputRecorderIdentifiers(SoundServer &server);

/// The detector's production probe, with a sound-server connection of its own.
CallDetector::Probe soundServerInputProbe();

} // namespace brindle
