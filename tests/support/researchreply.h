/// @file Builds the fake provider's research replies for tests and benchmarks.
#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace brindle::test {

/// A JSON object written with single quotes, so that tests need not escape every double one.
inline QJsonObject singleQuoted(const char *text) {
    return QJsonDocument::fromJson(QByteArray(text).replace('\'', '"')).object();
}

/// `object` with the members of `changes` (single-quoted JSON) set; a member "-" is removed.
inline QJsonObject changed(QJsonObject object, const char *changes) {
    const auto members = singleQuoted(changes);
    for (auto it = members.begin(); it != members.end(); ++it) {
        if (*it == QJsonValue(QStringLiteral("-")))
            object.remove(it.key());
        else
            object.insert(it.key(), *it);
    }
    return object;
}

inline QByteArray compactJson(const QJsonObject &object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

/// A completed research envelope answering `claim` with `verdict`, citing `url` with `quote` (no
/// source when `url` is empty); `retrievedURL`, when set, is the page the web search retrieved.
inline QByteArray researchReply(const QString &claim, const QString &verdict, const QString &url,
                                const QString &quote, const QString &retrievedURL = {}) {
    const auto s = [](const char *text) { return QString::fromLatin1(text); };
    QJsonArray sources, output;
    if (!url.isEmpty())
        sources.append(
            QJsonObject{{s("title"), s("Bridge history")}, {s("url"), url}, {s("passage"), quote}});
    const QJsonObject answer{{s("claim"), claim},
                             {s("verdict"), verdict},
                             {s("explanation"), s("It opened in 1937.")},
                             {s("sources"), sources}};
    if (!retrievedURL.isEmpty())
        output.append(QJsonObject{{s("type"), s("web_search_call")},
                                  {s("action"), QJsonObject{{s("url"), retrievedURL}}}});
    const QJsonObject text{{s("type"), s("output_text")},
                           {s("text"), QString::fromUtf8(compactJson(answer))}};
    output.append(QJsonObject{{s("type"), s("message")}, {s("content"), QJsonArray{text}}});
    return compactJson({{s("status"), s("completed")}, {s("output"), output}});
}

/// The claim a research request asks about (the "claim" of its input); empty when there is none.
inline QString requestedClaim(const QByteArray &requestBody) {
    const auto input = QJsonDocument::fromJson(requestBody)[QStringLiteral("input")].toString();
    return QJsonDocument::fromJson(input.toUtf8())[QStringLiteral("claim")].toString();
}

} // namespace brindle::test
