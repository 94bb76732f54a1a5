#pragma once

#include "PageRequest.h"
#include "PageServices.h"

#include <chrono>

class QNetworkAccessManager;

// Fetches pages over HTTP(S) with the window's shared network access manager,
// one PageRequest at a time. To the caller the fetch is synchronous;
// meanwhile a local event loop keeps the window painting and taking input.
// Failures give empty text, as PageRequest describes.
class NetworkPageFetcher : public PageFetcher {
public:
    static constexpr qint64 MaxPageBytes = PageRequest::MaxPageBytes;
    static constexpr int MaxRedirects = PageRequest::MaxRedirects;

    NetworkPageFetcher(QNetworkAccessManager& network,
                       std::chrono::milliseconds timeout = std::chrono::seconds(60));

    QString FetchPage(const QString& url) override;

private:
    QNetworkAccessManager& network_;
    std::chrono::milliseconds timeout_;
};
