#include "findingvalues.h"

#include <QUrl>

namespace brindle {

QString sourceCountText(qsizetype count) {
    if (count == 0)
        return QStringLiteral("No sources");
    if (count == 1)
        return QStringLiteral("1 source");
    return QString::number(count) + QStringLiteral(" sources");
}

QString elapsedText(double seconds) {
    return QString::number(seconds, 'f', 1) + QLatin1Char('s');
}

static QString kindName(SourceLinkKind kind) {
    switch (kind) {
    case SourceLinkKind::web:
        return QStringLiteral("web");
    case SourceLinkKind::file:
        return QStringLiteral("file");
    case SourceLinkKind::plain:
        break;
    }
    return QStringLiteral("plain");
}

QVariantMap findingValue(const Finding &finding) {
    QVariantList sources;
    for (const auto &source : finding.sources) {
        sources.append(QVariantMap{{QStringLiteral("title"), source.title},
                                   {QStringLiteral("url"), source.url},
                                   {QStringLiteral("passage"), source.passage},
                                   {QStringLiteral("kind"), kindName(sourceLinkKind(source.url))}});
    }
    return {{QStringLiteral("id"), finding.id.toString(QUuid::WithoutBraces)},
            {QStringLiteral("quote"), finding.quote},
            {QStringLiteral("verdict"), verdictRawValue(finding.verdict)},
            {QStringLiteral("explanation"), finding.explanation},
            {QStringLiteral("eyebrow"), finding.eyebrow},
            {QStringLiteral("isDemo"), finding.isDemo},
            {QStringLiteral("elapsedText"), elapsedText(finding.elapsed)},
            {QStringLiteral("createdAt"), finding.createdAt.toLocalTime()},
            {QStringLiteral("timeText"),
             QLocale().toString(finding.createdAt.toLocalTime().time(), QLocale::ShortFormat)},
            {QStringLiteral("sourceCountText"), sourceCountText(finding.sources.size())},
            {QStringLiteral("sources"), sources}};
}

QVariantList findingValues(const QList<Finding> &findings) {
    QVariantList values;
    values.reserve(findings.size());
    for (const auto &finding : findings)
        values.append(findingValue(finding));
    return values;
}

} // namespace brindle
