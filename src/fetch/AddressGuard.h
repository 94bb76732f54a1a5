#pragma once

#include <QHostAddress>
#include <functional>
#include <optional>

class QUrl;

// Addresses on the seller's own machine or network, which a stranger's page
// must never make the program reach: loopback, private (10/8, 172.16/12,
// 192.168/16, 100.64/10, fc00::/7), link-local (169.254/16, fe80::/10),
// unspecified, multicast, broadcast and reserved addresses, IPv4 addresses
// inside IPv6 ones included (IPv4-mapped and -compatible, NAT64, 6to4 and
// Teredo forms).
bool isLocalAddress(const QHostAddress& address);

// Whether the URL's host is such an address in any spelling: "localhost"
// and its sub-domains, IPv4 in the short, decimal, octal and hexadecimal
// forms resolvers accept ("127.1", "2130706433", "0x7f000001", "0177.0.0.1"),
// and IPv6 literals ("[::1]", "[::ffff:127.0.0.1]"). A URL without a host is
// not local.
bool isLocalAddress(const QUrl& url);

// The address a URL's host stands for when it is not a name to resolve:
// an address in any of the spellings above, or loopback for "localhost" and
// its sub-domains; none for a name. An IPv6 literal that cannot be read
// counts as the unspecified address.
std::optional<QHostAddress> literalHostAddress(const QUrl& url);

// Which addresses a page may make the program connect to. The program's own
// policy, isPublicAddress, allows every address that is not local.
using AddressPolicy = std::function<bool(const QHostAddress& address)>;

inline bool isPublicAddress(const QHostAddress& address) {
    return !isLocalAddress(address);
}
