// Arbitrary URL text through the destination rules. Whatever passes must name a host that is not
// a numeric address, use https on port 443 without user information, and give a request with
// no line break outside its framing.
#include "destinationrules.h"
#include "publicpagefetch.h"

#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>

namespace {

bool parsesAsAddress(const QString &host) {
    const QByteArray text = host.toUtf8();
    unsigned char bytes[16];
    return inet_pton(AF_INET, text.constData(), bytes) == 1 ||
           inet_pton(AF_INET6, text.constData(), bytes) == 1;
}

void check(const QUrl &url) {
    if (!brindle::isAllowedURL(url))
        return;
    const QString host = url.host(QUrl::FullyEncoded);
    if (host.isEmpty() || parsesAsAddress(host) || url.scheme().toLower() != u"https" ||
        (url.port() != -1 && url.port() != 443) || !url.userInfo().isNull() ||
        host.endsWith(u'.') || !brindle::isAllowedHost(host))
        std::abort();
    const auto request = brindle::pageRequest(url);
    if (!request || request->count('\n') != 7 || request->count('\r') != 7)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    check(QUrl(text, QUrl::StrictMode));
    check(QUrl(text, QUrl::TolerantMode));
    brindle::isAllowedHost(text);
    brindle::isPublicAddress(text);
    return 0;
}
