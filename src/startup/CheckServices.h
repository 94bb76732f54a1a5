#pragma once

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
// their read-ahead fetcher, and the embedded browser, with the program's
// traffic routed before any of them exists.
class CheckServices {
public:
    // Routes the traffic (starting the demo marketplace, owned by `owner`,
    // when asked for) and creates the services; null when the demo
    // marketplace cannot start.
    static std::unique_ptr<CheckServices> start(const TrafficRoute& route, const CheckPace& pace,
                                                QObject* owner);

    PrefetchingPageFetcher& fetcher() { return fetcher_; }
    WebPageRenderer& renderer() { return renderer_; }

private:
    explicit CheckServices(const CheckPace& pace);

    PageTransfers transfers_;
    PrefetchingPageFetcher fetcher_;
    WebPageRenderer renderer_;
};
