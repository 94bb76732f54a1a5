#pragma once

class QHostAddress;
class QUrl;

// Addresses on the seller's own machine or network, which a stranger's page
// must never make the program reach: loopback, private (10/8, 172.16/12,
// 192.168/16, 100.64/10, fc00::/7), link-local (169.254/16, fe80::/10),
// unspecified, multicast, broadcast and reserved addresses, IPv4 addresses
// inside IPv6 ones included.
bool isLocalAddress(const QHostAddress& address);

// Whether the URL's host is such an address in any spelling: "localhost"
// and its sub-domains, IPv4 in the short, decimal, octal and hexadecimal
// forms resolvers accept ("127.1", "2130706433", "0x7f000001", "0177.0.0.1"),
// and IPv6 literals ("[::1]", "[::ffff:127.0.0.1]"). A URL without a host is
// not local.
bool isLocalAddress(const QUrl& url);
