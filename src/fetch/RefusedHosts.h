#pragma once

#include <QSet>
#include <QString>

// The host names that led to an address the program refuses to connect to
// (this machine or its network), as connections of the browser's
// forwarding proxy met them: a page that failed to load from such a host
// failed on a local address, not for want of an answer. At most MaxHosts
// names are kept, the oldest dropped first.
class RefusedHosts {
public:
    static constexpr qsizetype MaxHosts = 256;

    void add(const QString& host);
    bool contains(const QString& host) const { return hosts_.contains(host.toLower()); }

private:
    QSet<QString> hosts_;
    QList<QString> order_;
};
