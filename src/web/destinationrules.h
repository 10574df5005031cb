/**
 * @file
 * What the page fetcher may reach. Page URLs come out of a model's answer, so they are checked
 * before anything touches the network: only https on port 443, only host names (never numeric
 * hosts), never local or reserved names, and every address a name resolves to must be public.
 * All functions are pure except the resolver ones, which block and belong on a worker thread.
 */
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

namespace brindle {

/// https, no user name or password, no port or port 443, and a host that isAllowedHost accepts.
bool isAllowedURL(const QUrl &url);

/// A public-looking DNS name: ASCII letters, digits, dots and hyphens, at least two labels, a
/// last label with a letter, and none of the reserved local names. Compared in lower case.
bool isAllowedHost(const QString &host);

/// True for a numeric IPv4 (dotted quad) or IPv6 address outside every private, local, shared,
/// documentation, multicast and transition range. Parsed as the system resolver parses it.
bool isPublicAddress(const QString &address);

/// Every address the system resolver gives for `host` (service 443, stream sockets, any family),
/// as numeric text in the resolver's order. Nothing when the lookup fails or an address cannot be
/// turned into text. Blocks.
std::optional<QStringList> lookupAddresses(const QString &host);

/// The first of `addresses` when there is one and every one of them passes `isPublic`; one
/// private answer spoils the whole name.
std::optional<QString> choosePublicAddress(const std::optional<QStringList> &addresses,
                                           const std::function<bool(const QString &)> &isPublic);

/// lookupAddresses checked with isPublicAddress. Blocks.
std::optional<QString> resolvePublicAddress(const QString &host);

} // namespace brindle
