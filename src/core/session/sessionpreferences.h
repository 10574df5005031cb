/**
 * @file
 * The session's remembered choices (evidence mode, microphone, audio source, Slack prompts and the
 * reference connections) as one JSON value, and the rule that re-finds the remembered audio
 * source in a fresh source list. Plain values and pure functions; the controller holds one
 * SessionPreferences and writes it through a PreferenceStorePort on every change.
 */
#pragma once

#include "audiosource.h"
#include "preferencestoreport.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace brindle {

/// A saved connection to a reference file or folder.
struct SavedReference {
    QString path;                       ///< the path when it was saved
    std::optional<QByteArray> bookmark; ///< an access token that finds it again, when one was made

    friend bool operator==(const SavedReference &, const SavedReference &) = default;
};

struct SessionPreferences {
    QString evidenceMode = QStringLiteral("Documents only"); ///< raw value of EvidenceMode
    bool includeMicrophone = false;
    std::optional<QString> audioBundleID; ///< identifier of the chosen application source
    bool allSystemAudio = false;
    std::optional<SavedReference> folder;
    QList<SavedReference> files;
    std::optional<bool> slackCallPrompt; ///< absent reads as true

    friend bool operator==(const SessionPreferences &, const SessionPreferences &) = default;
};

/// The key the encoded value is stored under.
inline constexpr auto sessionPreferencesKey = "sessionPreferences.v1";

/// Compact JSON with the keys in a fixed order, optional keys omitted, tokens as Base64.
QByteArray encodePreferences(const SessionPreferences &preferences);
/// Nothing when the bytes are not JSON, lack a required key or hold a value of the wrong type.
std::optional<SessionPreferences> decodePreferences(const QByteArray &json);

/// The stored preferences, or the defaults when none are stored or they do not decode.
SessionPreferences loadPreferences(const PreferenceStorePort &store);
void savePreferences(PreferenceStorePort &store, const SessionPreferences &preferences);

/// The selection a fresh source list gets from the saved preferences and the current selection.
struct SourceChoice {
    std::optional<AudioSourceID> selection;
    bool savedApplicationMissing = false; ///< a saved application is not in the list
};

/// All system audio when that was saved; else a saved application by its exact identifier; else
/// (nothing saved) the current selection while it is listed, or the first application whose
/// identifier contains "slack" in any letter case.
SourceChoice chooseSource(const SessionPreferences &saved, const QList<AudioSource> &sources,
                          const std::optional<AudioSourceID> &current);

} // namespace brindle
