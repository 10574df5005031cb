/**
 * @file
 * Recordings in each format Brindle reads, encoded at test time from a 16 kHz mono WAV with
 * gst-launch-1.0: WAV, MP3, Ogg Vorbis and Opus, FLAC, M4A (AAC) and the sound of MP4 and WebM
 * video.
 */
#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace brindle::test {

/// Each format as (table row name, file suffix).
QList<std::pair<const char *, QString>> mediaFormats();

/// `wav` encoded as "speech.<suffix>" in `directory`, or `wav` itself for "wav"; "" on failure.
QString encodedAs(const QString &suffix, const QString &wav, const QString &directory);

/// Runs a gst-launch-1.0 pipeline to its end; false when it fails or takes over a minute.
bool gstLaunch(const QString &pipeline);

} // namespace brindle::test
