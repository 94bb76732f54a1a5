#include "RefusedHosts.h"

void RefusedHosts::add(const QString& host) {
    const QString name = host.toLower();
    if (hosts_.contains(name))
        return;
    if (order_.size() == MaxHosts)
        hosts_.remove(order_.takeFirst());
    hosts_.insert(name);
    order_.append(name);
}
