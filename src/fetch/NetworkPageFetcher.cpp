#include "NetworkPageFetcher.h"

#include "PageWait.h"

NetworkPageFetcher::NetworkPageFetcher(QNetworkAccessManager& network,
                                       std::chrono::milliseconds timeout)
    : network_(network)
    , timeout_(timeout) {}

QString NetworkPageFetcher::FetchPage(const QString& url) {
    PageRequest request(network_, url, timeout_);
    request.start();
    return waitForPage(request);
}
