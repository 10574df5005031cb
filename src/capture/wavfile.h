/**
 * @file
 * Reads the 16 kHz mono 16-bit PCM WAV files that offline transcription and the tests feed to the
 * recognizer. Anything else is refused with a message saying what is wrong.
 */
#pragma once

#include <QByteArray>
#include <QString>

#include <variant>

namespace brindle {

struct WavAudio {
    QByteArray samples; ///< signed 16-bit little-endian, mono, 16 kHz
    double seconds() const;
};

/// The audio of a WAV file's bytes, or why they are not usable.
std::variant<WavAudio, QString> parseWav(const QByteArray &bytes);
std::variant<WavAudio, QString> readWav(const QString &path);
/// A WAV file's bytes holding `samples` (signed 16-bit little-endian, mono, 16 kHz).
QByteArray wavBytes(const QByteArray &samples);

} // namespace brindle
