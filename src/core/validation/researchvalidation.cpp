#include "researchvalidation.h"

#include "apperror.h"
#include "textmeasure.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace brindle {

namespace {

constexpr qsizetype maxSources = 3;
constexpr qsizetype maxExplanationWords = 80;
constexpr qsizetype maxPassageWords = 25;

QString notCompleted() {
    return QStringLiteral("Research did not complete. No verdict was issued.");
}

QString noUsableEvidence() {
    return QStringLiteral(
        "The research response did not include usable evidence. No correction was issued.");
}

struct Envelope {
    QString answer;
    QSet<QString> retrievedURLs;
};

void addURL(const QJsonValue &value, QSet<QString> &urls) {
    if (value.isString())
        urls.insert(value.toString());
}

void readSearchCall(const QJsonObject &item, QSet<QString> &urls) {
    const auto action = item.value(QStringLiteral("action")).toObject();
    addURL(action.value(QStringLiteral("url")), urls);
    for (const auto &source : action.value(QStringLiteral("sources")).toArray())
        addURL(source.toObject().value(QStringLiteral("url")), urls);
}

void readMessage(const QJsonObject &item, Envelope &envelope) {
    for (const auto &partValue : item.value(QStringLiteral("content")).toArray()) {
        const auto part = partValue.toObject();
        const auto text = part.value(QStringLiteral("text"));
        if (part.value(QStringLiteral("type")) == QStringLiteral("output_text") && text.isString())
            envelope.answer += text.toString();
        for (const auto &annotationValue : part.value(QStringLiteral("annotations")).toArray()) {
            const auto annotation = annotationValue.toObject();
            if (annotation.value(QStringLiteral("type")) == QStringLiteral("url_citation"))
                addURL(annotation.value(QStringLiteral("url")), envelope.retrievedURLs);
        }
    }
}

Envelope readEnvelope(const QByteArray &body) {
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        throw AppError(QStringLiteral("The research response is not valid JSON (%1 at offset %2).")
                           .arg(error.errorString())
                           .arg(error.offset));
    const auto top = document.object();
    const auto output = top.value(QStringLiteral("output"));
    if (!document.isObject() ||
        top.value(QStringLiteral("status")) != QStringLiteral("completed") || !output.isArray())
        throw AppError(notCompleted());
    const auto items = output.toArray();
    for (const auto &item : items) {
        if (!item.isObject())
            throw AppError(notCompleted());
    }
    Envelope envelope;
    for (const auto &itemValue : items) {
        const auto item = itemValue.toObject();
        const auto type = item.value(QStringLiteral("type"));
        if (type == QStringLiteral("web_search_call"))
            readSearchCall(item, envelope.retrievedURLs);
        else if (type == QStringLiteral("message"))
            readMessage(item, envelope);
    }
    return envelope;
}

// An escaped lone surrogate survives JSON parsing but has no UTF-8 form.
bool hasLoneSurrogate(const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

ResearchResult decodeAnswer(const QString &answer) {
    if (hasLoneSurrogate(answer))
        throw AppError(QStringLiteral("Research returned no readable result."));
    const auto document = QJsonDocument::fromJson(answer.toUtf8());
    auto result = ResearchResult::fromJson(document.object());
    if (!document.isObject() || !result)
        throw AppError(
            QStringLiteral("Research returned an invalid result. No verdict was issued."));
    return std::move(*result);
}

// The words joined by single spaces, lower-cased; one pass, as a document excerpt can be long.
QString normalised(const QString &text) {
    QString joined;
    joined.reserve(text.size());
    bool pendingSpace = false;
    for (const QChar c : text) {
        if (text::isWhitespace(c)) {
            pendingSpace = !joined.isEmpty();
            continue;
        }
        if (pendingSpace)
            joined.append(QLatin1Char(' '));
        pendingSpace = false;
        joined.append(c);
    }
    return joined.toLower();
}

const ReferenceDocument *citedDocument(const QString &url,
                                       const QList<ReferenceDocument> &documents) {
    for (const auto &document : documents) {
        if (documentCitation(document.id) == url)
            return &document;
    }
    return nullptr;
}

bool isPlainWebURL(const QString &text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return false;
    if (url.scheme() != QStringLiteral("https") && url.scheme() != QStringLiteral("http"))
        return false;
    // QUrl drops an empty user part ("https://@host/"); such a URL still names a user.
    const auto authorityStart = text.indexOf(QStringLiteral("//")) + 2;
    auto authorityEnd = text.size();
    for (const QChar end : {QLatin1Char('/'), QLatin1Char('?'), QLatin1Char('#')}) {
        const auto at = text.indexOf(end, authorityStart);
        if (at >= 0)
            authorityEnd = std::min(authorityEnd, at);
    }
    return !QStringView(text).mid(authorityStart, authorityEnd - authorityStart).contains(u'@');
}

} // namespace

bool sourceIsUsable(const EvidenceSource &source, ResearchPass pass,
                    const QList<ReferenceDocument> &documents, WordsPerURL &wordsPerURL,
                    const QSet<QString> &retrievedURLs) {
    const auto passageWords = text::wordCount(source.passage);
    if (source.title.isEmpty() || passageWords < 1 || passageWords > maxPassageWords)
        return false;
    if (pass == ResearchPass::documents) {
        const auto *document = citedDocument(source.url, documents);
        return document && normalised(document->text).contains(normalised(source.passage));
    }
    auto &quoted = wordsPerURL[source.url];
    quoted += passageWords;
    if (quoted > maxPassageWords)
        return false;
    return isPlainWebURL(source.url) && retrievedURLs.contains(source.url);
}

ResearchResult validateResearch(const QByteArray &body, ResearchPass pass,
                                const QList<ReferenceDocument> &documents,
                                const std::optional<QString> &expectedClaim) {
    const auto envelope = readEnvelope(body);
    auto result = decodeAnswer(envelope.answer);
    if (result.claim.isEmpty() || result.explanation.isEmpty() ||
        result.sources.size() > maxSources ||
        text::wordCount(result.explanation) > maxExplanationWords)
        throw AppError(QStringLiteral("Research returned an incomplete or oversized result."));
    if (expectedClaim && result.claim != *expectedClaim)
        throw AppError(
            QStringLiteral("Research answered a different claim. No correction was issued."));

    WordsPerURL wordsPerURL;
    bool allUsable = true;
    for (const auto &source : std::as_const(result.sources)) {
        if (!sourceIsUsable(source, pass, documents, wordsPerURL, envelope.retrievedURLs)) {
            allUsable = false;
            break;
        }
    }
    if (!allUsable || (result.verdict != Verdict::unresolved && result.sources.isEmpty()))
        return ResearchResult{result.claim, Verdict::unresolved, noUsableEvidence(), {}};

    if (pass == ResearchPass::documents) {
        for (auto &source : result.sources) {
            if (const auto *document = citedDocument(source.url, documents)) {
                source.title = document->name;
                source.url = document->url.toString(QUrl::FullyEncoded);
            }
        }
    }
    return result;
}

} // namespace brindle
