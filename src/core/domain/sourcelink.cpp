#include "sourcelink.h"

#include <QUrl>

namespace brindle {

SourceLinkKind sourceLinkKind(const QString &url) {
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        return SourceLinkKind::plain;
    // The scheme must be written exactly so; QUrl itself would accept any letter case.
    const bool web =
        url.startsWith(QLatin1String("https:")) || url.startsWith(QLatin1String("http:"));
    if (web && !parsed.host().isEmpty())
        return SourceLinkKind::web;
    if (parsed.isLocalFile() && !parsed.toLocalFile().isEmpty())
        return SourceLinkKind::file;
    return SourceLinkKind::plain;
}

} // namespace brindle
