#include "AddressGuard.h"

#include <QHostAddress>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>

namespace {

struct Range {
    quint32 network;
    int prefixLength;
};

constexpr std::array<Range, 10> LocalIPv4Ranges{{
    {0x00000000, 8},  // "this network", the unspecified address
    {0x0a000000, 8},  // private
    {0x64400000, 10}, // shared address space of carrier-grade NAT
    {0x7f000000, 8},  // loopback
    {0xa9fe0000, 16}, // link-local
    {0xac100000, 12}, // private
    {0xc0000000, 24}, // protocol assignments
    {0xc0a80000, 16}, // private
    {0xe0000000, 4},  // multicast
    {0xf0000000, 4},  // reserved, broadcast
}};

bool isLocalIPv4(quint32 address) {
    for (const Range& range : LocalIPv4Ranges) {
        const quint32 mask = ~quint32(0) << (32 - range.prefixLength);
        if ((address & mask) == range.network)
            return true;
    }
    return false;
}

// One part of a numeric IPv4 host: "0x" starts hexadecimal, a leading zero
// octal, anything else decimal.
std::optional<quint64> ipv4Part(const QString& part) {
    if (part.isEmpty() || part.size() > 32)
        return std::nullopt;
    int base = 10;
    QString digits = part;
    if (part.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits = part.mid(2);
        if (digits.isEmpty())
            return 0;
    } else if (part.size() > 1 && part.startsWith(QLatin1Char('0'))) {
        base = 8;
        digits = part.mid(1);
    }
    bool ok = false;
    const quint64 value = digits.toULongLong(&ok, base);
    if (!ok || digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-')))
        return std::nullopt;
    return value;
}

// A host of one to four numeric parts, read as inet_aton reads it: the last
// part fills the bytes the others leave.
std::optional<quint32> numericIPv4(QString host) {
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() > 4)
        return std::nullopt;
    quint64 address = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const std::optional<quint64> part = ipv4Part(parts[i]);
        if (!part)
            return std::nullopt;
        const bool last = i == parts.size() - 1;
        const int bits = last ? 8 * int(4 - i) : 8;
        if (*part >> bits)
            return std::nullopt;
        address |= last ? *part : *part << (8 * (3 - i));
    }
    return quint32(address);
}

} // namespace

bool isLocalAddress(const QHostAddress& address) {
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4); // also reads ::ffff:a.b.c.d
    if (isIPv4)
        return isLocalIPv4(ipv4);
    if (address.protocol() != QAbstractSocket::IPv6Protocol)
        return false;
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    const auto ipv4At = [&bytes](int at, quint8 flip = 0) {
        return quint32(bytes[at] ^ flip) << 24 | quint32(bytes[at + 1] ^ flip) << 16 |
               quint32(bytes[at + 2] ^ flip) << 8 | quint32(bytes[at + 3] ^ flip);
    };
    const auto startsWith = [&bytes](std::initializer_list<quint8> prefix) {
        int at = 0;
        return std::all_of(prefix.begin(), prefix.end(),
                           [&](quint8 byte) { return bytes[at++] == byte; });
    };
    // Forms that carry an IPv4 address, which the traffic ends up at: ::a.b.c.d,
    // the old IPv4-compatible form (:: and ::1 fall in 0/8); NAT64's
    // 64:ff9b::a.b.c.d; 6to4's 2002:aabb:ccdd::; Teredo's 2001:0:server::,
    // whose client address is the last four bytes inverted.
    if (startsWith({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) ||
        startsWith({0x00, 0x64, 0xff, 0x9b, 0, 0, 0, 0, 0, 0, 0, 0}))
        return isLocalIPv4(ipv4At(12));
    // NAT64 for a network's own use translates to addresses of that network.
    if (startsWith({0x00, 0x64, 0xff, 0x9b, 0x00, 0x01}))
        return true;
    if (startsWith({0x20, 0x02}))
        return isLocalIPv4(ipv4At(2));
    if (startsWith({0x20, 0x01, 0x00, 0x00}))
        return isLocalIPv4(ipv4At(4)) || isLocalIPv4(ipv4At(12, 0xff));
    const bool uniqueLocal = (bytes[0] & 0xfe) == 0xfc;                 // fc00::/7
    const bool linkOrSiteLocal = bytes[0] == 0xfe && (bytes[1] & 0x80); // fe80::/10, fec0::/10
    const bool multicast = bytes[0] == 0xff;
    return uniqueLocal || linkOrSiteLocal || multicast;
}

std::optional<QHostAddress> literalHostAddress(const QUrl& url) {
    QString host = url.host().toLower();
    if (host.isEmpty())
        return std::nullopt;
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    if (host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost")))
        return QHostAddress(QHostAddress::LocalHost);
    if (host.contains(QLatin1Char(':'))) {
        const QHostAddress address(host);
        return address.isNull() ? QHostAddress(QHostAddress::AnyIPv6) : address;
    }
    if (const std::optional<quint32> ipv4 = numericIPv4(host))
        return QHostAddress(*ipv4);
    return std::nullopt;
}

bool isLocalAddress(const QUrl& url) {
    const std::optional<QHostAddress> address = literalHostAddress(url);
    return address && isLocalAddress(*address);
}
