#pragma once

#include "ForwardingProxy.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "WebPageRenderer.h"

#include <QString>
#include <chrono>
#include <memory>
#include <optional>

class QObject;

// Where a program's traffic goes: the built-in demo marketplace, the given
// HTTP proxy, or (neither) as the environment says.
struct TrafficRoute {
    bool demo = false;
    QString proxy;
};

// What is wrong with a route given on a command line, if anything.
std::optional<QString> routeError(const TrafficRoute& route);

// How the page services work: each page's deadline, the plain pages fetched
// at once and the redirect rows rendered ahead.
struct CheckPace {
    std::chrono::milliseconds timeout = std::chrono::seconds(60);
    int jobs = PrefetchingPageFetcher::DefaultJobs;
    int renderJobs = WebPageRenderer::DefaultJobs;
};

// The page services both programs check with: the plain-page transfers and
// their read-ahead fetcher, and the embedded browser behind the forwarding
// proxy that keeps it off this machine and its network, with the program's
// traffic routed before any page is asked for.
class CheckServices {
public:
    // Routes the traffic (starting the demo marketplace, owned by `owner`,
    // when asked for) and creates the services; null when the demo
    // marketplace or the forwarding proxy cannot start.
    static std::unique_ptr<CheckServices> start(const TrafficRoute& route, const CheckPace& pace,
                                                QObject* owner);

    PrefetchingPageFetcher& fetcher() { return fetcher_; }
    WebPageRenderer& renderer() { return renderer_; }

private:
    explicit CheckServices(const CheckPace& pace);
    bool route(const QString& proxyUrl);

    PageTransfers transfers_;
    ForwardingProxy forwarder_;
    PrefetchingPageFetcher fetcher_;
    WebPageRenderer renderer_;
};
