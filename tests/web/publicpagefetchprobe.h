/**
 * @file
 * The only way to build a PublicPageFetch with another port, resolver, address policy or trust
 * store. It exists in the tests alone, so production code cannot reach these seams.
 */
#pragma once

#include "destinationrules.h"
#include "publicpagefetch.h"

#include <memory>

namespace brindle::test {

class PublicPageFetchProbe {
public:
    struct Seams {
        quint16 port = 443;
        QStringList addresses;     ///< what the "resolver" answers
        bool allowLoopback = true; ///< false: the production address policy
        std::optional<QList<QSslCertificate>> trustAnchors; ///< nothing: the system store
        std::function<std::optional<QStringList>(const QString &)> lookup; ///< over `addresses`
    };

    static std::unique_ptr<PublicPageFetch> make(QUrl url, Scheduler &scheduler, Seams seams) {
        PublicPageFetch::Environment environment;
        environment.port = seams.port;
        environment.lookup = seams.lookup ? seams.lookup : [addresses = seams.addresses](auto &) {
            return std::optional<QStringList>(addresses);
        };
        if (seams.allowLoopback)
            environment.isPublic = [](const QString &a) { return a == QLatin1String("127.0.0.1"); };
        else
            environment.isPublic = isPublicAddress;
        environment.trustAnchors = std::move(seams.trustAnchors);
        return std::unique_ptr<PublicPageFetch>(
            new PublicPageFetch(std::move(url), scheduler, std::move(environment), nullptr));
    }
};

} // namespace brindle::test
