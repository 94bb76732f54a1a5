#pragma once

#include "LockedDownPage.h"

#include <QWebEngineUrlRequestInterceptor>

// Keeps the browser off addresses on this machine or its network.

// Blocks every request of the profile's pages to such an address: main
// documents, frames, scripts and images alike fail to load. Redirects are
// checked only after the browser has followed them, hence GuardedPage.
class LocalAddressInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};

// A locked-down page that refuses to navigate any frame to such an address,
// redirects included, before the request is sent. The navigation is still
// reported, so that its failed load ends the wait for the page.
class GuardedPage : public LockedDownPage {
    Q_OBJECT

public:
    using LockedDownPage::LockedDownPage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};
