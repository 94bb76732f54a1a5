#include "BrowserAddressGuard.h"

#include "AddressGuard.h"

void LocalAddressInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (isLocalAddress(info.requestUrl()))
        info.block(true);
}

bool GuardedPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    const bool accepted = LockedDownPage::acceptNavigationRequest(url, type, isMainFrame);
    if (!isLocalAddress(url))
        return accepted;
    if (isMainFrame)
        emit mainFrameRefused(url);
    return false;
}
