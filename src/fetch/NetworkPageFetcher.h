#pragma once

#include "PageServices.h"

#include <QtGlobal>
#include <chrono>

class QNetworkAccessManager;

// Fetches pages over HTTP(S) with the window's shared network access manager.
// To the caller the fetch is synchronous; meanwhile a local event loop keeps
// the window painting and taking input. Every failure (no such host, refused
// or reset connection, TLS error, time-out, a body cut short, too many
// redirects, a body over the size cap, a non-web address) gives empty text.
// An HTTP error status with a body gives the body.
class NetworkPageFetcher : public PageFetcher {
public:
    // Pages larger than this count as failures.
    static constexpr qint64 MaxPageBytes = 32 * 1024 * 1024;
    static constexpr int MaxRedirects = 10;

    NetworkPageFetcher(QNetworkAccessManager& network,
                       std::chrono::milliseconds timeout = std::chrono::seconds(60));

    QString FetchPage(const QString& url) override;

    // "Zembrel/<version>"
    static QByteArray userAgent();

private:
    QNetworkAccessManager& network_;
    std::chrono::milliseconds timeout_;
};
