#include "CheckServices.h"

#include "CommandLineLanguage.h"

#include "DemoMarketplace.h"
#include "MarketServer.h"
#include "ProxySetup.h"

std::optional<QString> routeError(const TrafficRoute& route) {
    if (!route.proxy.isEmpty() && !proxyFromUrl(route.proxy))
        return CommandLine::tr("Not an HTTP proxy address: %1").arg(route.proxy);
    if (route.demo && !route.proxy.isEmpty())
        return CommandLine::tr("--demo and --proxy cannot be used together.");
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
