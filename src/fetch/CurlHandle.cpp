#include "CurlHandle.h"

#include <QUrl>

namespace {

// libcurl's form of a Qt proxy; empty for a direct connection.
QByteArray curlProxy(const QNetworkProxy& proxy) {
    const QByteArray hostPort =
        QUrl::toAce(proxy.hostName()) + ':' + QByteArray::number(proxy.port());
    switch (proxy.type()) {
    case QNetworkProxy::HttpProxy:
    case QNetworkProxy::HttpCachingProxy:
        return "http://" + hostPort;
    case QNetworkProxy::Socks5Proxy:
        return "socks5h://" + hostPort;
    default:
        return {};
    }
}

} // namespace

CurlHandle::CurlHandle(PageTransfers& transfers)
    : transfers_(transfers)
    , easy_(curl_easy_init()) {
    const bool ready = set(CURLOPT_NOSIGNAL, 1L) &&
                       // A name still being resolved when the transfer ends
                       // is left to finish on its own: cleaning up must not
                       // wait for it.
                       set(CURLOPT_QUICK_EXIT, 1L) &&
                       // The program's routing chooses the proxy and has
                       // applied no_proxy; libcurl must not apply it again.
                       set(CURLOPT_NOPROXY, "") && set(CURLOPT_PROXY, "") && easy_ &&
                       transfers_.guardSockets(easy_, guard_);
    if (!ready)
        cleanUp();
}

CurlHandle::~CurlHandle() {
    cleanUp();
}

bool CurlHandle::useProxy(const QNetworkProxy& proxy, bool checkDirect) {
    proxy_ = curlProxy(proxy);
    user_ = proxy.user().toUtf8();
    password_ = proxy.password().toUtf8();
    guard_.direct = checkDirect && proxy_.isEmpty();
    // An empty proxy also keeps libcurl from reading proxy variables itself.
    return set(CURLOPT_PROXY, proxy_.constData()) &&
           set(CURLOPT_PROXYUSERNAME, user_.isEmpty() ? nullptr : user_.constData()) &&
           set(CURLOPT_PROXYPASSWORD, user_.isEmpty() ? nullptr : password_.constData());
}

bool CurlHandle::start(Transfer& transfer) {
    guard_.refused.clear();
    return easy_ && transfers_.add(easy_, transfer);
}

void CurlHandle::stop() {
    if (easy_)
        transfers_.remove(easy_);
}

void CurlHandle::cleanUp() {
    if (!easy_)
        return;
    transfers_.remove(easy_);
    curl_easy_cleanup(easy_);
    easy_ = nullptr;
}
