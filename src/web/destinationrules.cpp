#include "destinationrules.h"

#include <QRegularExpression>

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <array>
#include <memory>

namespace brindle {

bool isAllowedURL(const QUrl &url) {
    if (!url.isValid() || url.scheme().toLower() != QLatin1String("https"))
        return false;
    // Any "@" in the authority counts, even with an empty user name.
    if (!url.userName().isEmpty() || !url.password().isEmpty() || !url.userInfo().isNull())
        return false;
    const int port = url.port();
    if (port != -1 && port != 443)
        return false;
    // The ASCII form: host() alone may hand back Unicode for an internationalised name.
    const QString host = url.host(QUrl::FullyEncoded);
    return !host.isEmpty() && isAllowedHost(host);
}

bool isAllowedHost(const QString &rawHost) {
    static const QRegularExpression allowedCharacters(QStringLiteral("^[a-z0-9.-]+$"));
    const QString host = rawHost.toLower();
    if (host.size() > 253 || host.endsWith(u'.') || !host.contains(u'.'))
        return false;
    if (!allowedCharacters.match(host).hasMatch())
        return false;
    const QStringList labels = host.split(u'.');
    for (const QString &label : labels) {
        if (label.isEmpty() || label.size() >= 64 || label.startsWith(u'-') || label.endsWith(u'-'))
            return false;
    }
    const QString &last = labels.constLast();
    if (!std::any_of(last.begin(), last.end(), [](QChar c) { return c.isLetter(); }))
        return false;
    static const std::array<QLatin1String, 9> reserved = {
        QLatin1String("localhost"), QLatin1String("local"), QLatin1String("internal"),
        QLatin1String("lan"),       QLatin1String("home"),  QLatin1String("test"),
        QLatin1String("invalid"),   QLatin1String("onion"), QLatin1String("arpa")};
    for (const auto &name : reserved) {
        if (host == name || host.endsWith(QLatin1Char('.') + name))
            return false;
    }
    return true;
}

namespace {

bool isPublicIPv4(const unsigned char *o) {
    const int a = o[0], b = o[1], c = o[2];
    if (a == 0 || a == 10 || a == 127 || a > 223)
        return false;
    if (a == 100 && b >= 64 && b <= 127)
        return false;
    if (a == 169 && b == 254)
        return false;
    if (a == 172 && b >= 16 && b <= 31)
        return false;
    if (a == 192 && (b == 0 || b == 168))
        return false;
    if (a == 192 && b == 88 && c == 99)
        return false;
    if (a == 198 && (b == 18 || b == 19))
        return false;
    if (a == 198 && b == 51 && c == 100)
        return false;
    if (a == 203 && b == 0 && c == 113)
        return false;
    return true;
}

bool isPublicIPv6(const unsigned char *b) {
    if (b[0] < 0x20 || b[0] > 0x3f)
        return false; // everything outside 2000::/3, mapped and compatible IPv4 included
    if (b[0] == 0x20 && b[1] == 0x02)
        return false; // 6to4
    if (b[0] == 0x20 && b[1] == 0x01 && (b[2] == 0x00 || b[2] == 0x01))
        return false; // 2001::/23: Teredo, benchmarking, ORCHID and other special blocks
    if (b[0] == 0x20 && b[1] == 0x01 && b[2] == 0x0d && b[3] == 0xb8)
        return false; // documentation
    return true;
}

} // namespace

bool isPublicAddress(const QString &address) {
    // inet_pton, not QHostAddress: the latter also takes "127.1", "2130706433" and friends.
    const QByteArray text = address.toUtf8();
    if (text.contains('\0'))
        return false;
    unsigned char bytes[16] = {};
    if (inet_pton(AF_INET, text.constData(), bytes) == 1)
        return isPublicIPv4(bytes);
    if (inet_pton(AF_INET6, text.constData(), bytes) == 1)
        return isPublicIPv6(bytes);
    return false;
}

std::optional<QStringList> lookupAddresses(const QString &host) {
    const QByteArray name = host.toUtf8();
    if (name.isEmpty() || name.contains('\0'))
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(name.constData(), "443", &hints, &found) != 0)
        return std::nullopt;
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> answers(found, &freeaddrinfo);
    QStringList addresses;
    for (const addrinfo *a = found; a != nullptr; a = a->ai_next) {
        char text[NI_MAXHOST] = {};
        if (getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) !=
            0)
            return std::nullopt;
        addresses.append(QString::fromLatin1(text));
    }
    return addresses;
}

std::optional<QString> choosePublicAddress(const std::optional<QStringList> &addresses,
                                           const std::function<bool(const QString &)> &isPublic) {
    if (!addresses || addresses->isEmpty())
        return std::nullopt;
    for (const QString &address : *addresses) {
        if (!isPublic(address))
            return std::nullopt;
    }
    return addresses->constFirst();
}

std::optional<QString> resolvePublicAddress(const QString &host) {
    return choosePublicAddress(lookupAddresses(host), isPublicAddress);
}

} // namespace brindle
