#include "CheckServices.h"

#include "BrowserEnvironment.h"
#include "CommandLineLanguage.h"
#include "DemoMarketplace.h"
#include "MarketServer.h"
#include "ProxySetup.h"

#include <QNetworkProxyFactory>

std::optional<QString> routeError(const TrafficRoute& route) {
    if (!route.proxy.isEmpty() && !proxyFromUrl(route.proxy))
        return CommandLine::tr("Not an HTTP proxy address: %1").arg(route.proxy);
    if (route.demo && !route.proxy.isEmpty())
        return CommandLine::tr("--demo and --proxy cannot be used together.");
    return std::nullopt;
}

std::unique_ptr<CheckServices> CheckServices::start(const TrafficRoute& route,
                                                    const CheckPace& pace, QObject* owner) {
    QString proxyUrl = route.proxy;
    if (route.demo) {
        const MarketServer* demo = startDemoMarketplace(owner);
        if (!demo)
            return nullptr;
        proxyUrl = demo->proxyUrl();
    }
    std::unique_ptr<CheckServices> services(new CheckServices(pace));
    if (!services->route(proxyUrl))
        return nullptr;
    return services;
}

CheckServices::CheckServices(const CheckPace& pace)
    : forwarder_(transfers_)
    , fetcher_(transfers_, pace.timeout, pace.jobs)
    , renderer_(pace.timeout, pace.renderJobs) {
    renderer_.setRefusedHosts(&transfers_.refusedHosts());
}

// Plain pages go through the given proxy, or as the system's proxy settings
// say (the proxy variables and no_proxy among them); the browser goes
// through the forwarding proxy, which routes its connections the same way.
// Qt's own application proxy stays unset: the browser would prefer it to
// the forwarding proxy.
bool CheckServices::route(const QString& proxyUrl) {
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    if (!proxyUrl.isEmpty()) {
        const std::optional<QNetworkProxy> proxy = proxyFromUrl(proxyUrl);
        if (!proxy)
            return false;
        transfers_.routes().setProxy(*proxy);
    }
    if (!forwarder_.listen())
        return false;
    routeBrowserThrough(QStringLiteral("http://127.0.0.1:%1").arg(forwarder_.proxy().port()));
    return true;
}
