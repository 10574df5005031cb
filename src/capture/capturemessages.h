/**
 * @file
 * The fixed texts the capture layer reports to the user.
 */
#pragma once

#include <QString>

namespace brindle::capturemessages {

inline QString serverRefused() {
    return QStringLiteral("The sound server refused audio capture. Check that PulseAudio or "
                          "PipeWire is running and that Brindle may record, then try again.");
}
inline QString serverSilent() {
    return QStringLiteral("The sound server did not answer in time. Check that PulseAudio or "
                          "PipeWire is running, then try again.");
}
/// The reason an application's capture stops when its process exits.
inline QString applicationQuit() {
    return QStringLiteral("The application has quit");
}
inline QString microphoneUnavailable() {
    return QStringLiteral("Could not open the microphone. Check the input device in Sound "
                          "settings, or turn off microphone capture.");
}
inline QString noOutput() {
    return QStringLiteral("No display is available for system audio capture.");
}
inline QString applicationGone() {
    return QStringLiteral("The selected application is no longer available. Refresh sources and "
                          "select it again.");
}
inline QString recognizerMissing() {
    return QStringLiteral("On-device English speech recognition is unavailable on this computer. "
                          "Install the English speech model (pocketsphinx-en-us) and try again.");
}
inline QString recognizerUnavailable() {
    return QStringLiteral("On-device speech recognition is currently unavailable. Try again after "
                          "installing the English speech model.");
}
inline QString requestingPermissions() {
    return QStringLiteral("Requesting capture and speech permissions\u2026");
}
inline QString stopped() {
    return QStringLiteral("Stopped");
}
inline QString captureStopped(const QString &description) {
    return QStringLiteral("Audio capture stopped: ") + description;
}
inline QString resetFailed(const QString &description) {
    return QStringLiteral("Could not reset transcription: ") + description;
}

} // namespace brindle::capturemessages
