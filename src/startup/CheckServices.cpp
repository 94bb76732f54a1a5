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
                                                    const CheckPace& pace, QObject* owner) {
    if (route.demo) {
        const MarketServer* demo = startDemoMarketplace(owner);
        if (!demo)
            return nullptr;
        applyProxy(demo->proxyUrl());
    } else {
        applyProxy(route.proxy);
    }
    return std::unique_ptr<CheckServices>(new CheckServices(pace));
}

CheckServices::CheckServices(const CheckPace& pace)
    : fetcher_(transfers_, pace.timeout, pace.jobs)
    , renderer_(pace.timeout, pace.renderJobs) {}
