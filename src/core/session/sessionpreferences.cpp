#include "sessionpreferences.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace brindle {

namespace {

// QJsonObject sorts its keys, so the object is written by hand; QJsonDocument still quotes the
// strings.
QByteArray quoted(const QString &text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray boolean(bool value) {
    return value ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
}

class ObjectWriter {
public:
    void add(const char *key, const QByteArray &json) {
        m_text += m_text.isEmpty() ? '{' : ',';
        m_text += quoted(QString::fromLatin1(key)) + ':' + json;
    }
    QByteArray finish() const { return m_text.isEmpty() ? QByteArrayLiteral("{}") : m_text + '}'; }

private:
    QByteArray m_text;
};

QByteArray encodeReference(const SavedReference &reference) {
    ObjectWriter object;
    object.add("path", quoted(reference.path));
    if (reference.bookmark)
        object.add("bookmark", quoted(QString::fromLatin1(reference.bookmark->toBase64())));
    return object.finish();
}

// A present key whose value is null counts as absent, as with any optional JSON member.
bool isAbsent(const QJsonObject &object, const QString &key) {
    return !object.contains(key) || object.value(key).isNull();
}

std::optional<SavedReference> decodeReference(const QJsonValue &value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue path = object.value(QStringLiteral("path"));
    if (!path.isString())
        return std::nullopt;
    SavedReference reference{path.toString(), std::nullopt};
    if (!isAbsent(object, QStringLiteral("bookmark"))) {
        const QJsonValue bookmark = object.value(QStringLiteral("bookmark"));
        if (!bookmark.isString())
            return std::nullopt;
        auto decoded = QByteArray::fromBase64Encoding(bookmark.toString().toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        reference.bookmark = *decoded;
    }
    return reference;
}

} // namespace

QByteArray encodePreferences(const SessionPreferences &preferences) {
    ObjectWriter object;
    object.add("evidenceMode", quoted(preferences.evidenceMode));
    object.add("includeMicrophone", boolean(preferences.includeMicrophone));
    if (preferences.audioBundleID)
        object.add("audioBundleID", quoted(*preferences.audioBundleID));
    object.add("allSystemAudio", boolean(preferences.allSystemAudio));
    if (preferences.folder)
        object.add("folder", encodeReference(*preferences.folder));
    QByteArray files = "[";
    for (const auto &file : preferences.files)
        files += (files.size() > 1 ? "," : "") + encodeReference(file);
    object.add("files", files + ']');
    if (preferences.slackCallPrompt)
        object.add("slackCallPrompt", boolean(*preferences.slackCallPrompt));
    return object.finish();
}

std::optional<SessionPreferences> decodePreferences(const QByteArray &json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue mode = object.value(QStringLiteral("evidenceMode"));
    const QJsonValue microphone = object.value(QStringLiteral("includeMicrophone"));
    const QJsonValue allSystemAudio = object.value(QStringLiteral("allSystemAudio"));
    const QJsonValue files = object.value(QStringLiteral("files"));
    if (!mode.isString() || !microphone.isBool() || !allSystemAudio.isBool() || !files.isArray())
        return std::nullopt;

    SessionPreferences preferences;
    preferences.evidenceMode = mode.toString();
    preferences.includeMicrophone = microphone.toBool();
    preferences.allSystemAudio = allSystemAudio.toBool();
    if (!isAbsent(object, QStringLiteral("audioBundleID"))) {
        const QJsonValue bundleID = object.value(QStringLiteral("audioBundleID"));
        if (!bundleID.isString())
            return std::nullopt;
        preferences.audioBundleID = bundleID.toString();
    }
    if (!isAbsent(object, QStringLiteral("folder"))) {
        preferences.folder = decodeReference(object.value(QStringLiteral("folder")));
        if (!preferences.folder)
            return std::nullopt;
    }
    for (const auto &value : files.toArray()) {
        auto file = decodeReference(value);
        if (!file)
            return std::nullopt;
        preferences.files.append(*file);
    }
    if (!isAbsent(object, QStringLiteral("slackCallPrompt"))) {
        const QJsonValue prompt = object.value(QStringLiteral("slackCallPrompt"));
        if (!prompt.isBool())
            return std::nullopt;
        preferences.slackCallPrompt = prompt.toBool();
    }
    return preferences;
}

SessionPreferences loadPreferences(const PreferenceStorePort &store) {
    const auto stored = store.read();
    if (!stored)
        return {};
    return decodePreferences(*stored).value_or(SessionPreferences{});
}

void savePreferences(PreferenceStorePort &store, const SessionPreferences &preferences) {
    store.write(encodePreferences(preferences));
}

SourceChoice chooseSource(const SessionPreferences &saved, const QList<AudioSource> &sources,
                          const std::optional<AudioSourceID> &current) {
    const auto first = [&](auto predicate) -> std::optional<AudioSourceID> {
        const auto found = std::find_if(sources.cbegin(), sources.cend(), predicate);
        return found == sources.cend() ? std::nullopt : std::optional(found->id);
    };
    if (saved.allSystemAudio)
        return {first([](const AudioSource &s) { return s.id.isAllSystemAudio(); }), false};
    if (!saved.audioBundleID) {
        if (current && first([&](const AudioSource &s) { return s.id == *current; }))
            return {current, false};
        return {first([](const AudioSource &s) {
                    return s.bundleID.toLower().contains(QStringLiteral("slack"));
                }),
                false};
    }
    const auto chosen =
        first([&](const AudioSource &s) { return s.bundleID == *saved.audioBundleID; });
    return {chosen, !chosen};
}

} // namespace brindle
