#include "CheckServices.h"

#include "DemoMarketplace.h"
#include "MarketServer.h"
#include "ProxySetup.h"

std::optional<QString> routeError(const TrafficRoute& route) {
    if (!route.proxy.isEmpty() && !proxyFromUrl(route.proxy))
        return QStringLiteral("Not an HTTP proxy address: ") + route.proxy;
    if (route.demo && !route.proxy.isEmpty())
        return QStringLiteral("--demo and --proxy cannot be used together.");
    return std::nullopt;
}

std::unique_ptr<CheckServices> CheckServices::start(const TrafficRoute& route,
                                                    std::chrono::milliseconds timeout, int jobs,
                                                    QObject* owner) {
    if (route.demo) {
        const MarketServer* demo = startDemoMarketplace(owner);
        if (!demo)
            return nullptr;
        applyProxy(demo->proxyUrl());
    } else {
        applyProxy(route.proxy);
    }
    return std::unique_ptr<CheckServices>(new CheckServices(timeout, jobs));
}

CheckServices::CheckServices(std::chrono::milliseconds timeout, int jobs)
    : fetcher_(transfers_, timeout, jobs)
    , renderer_(timeout) {}
