#include "PageRequest.h"

#include "AddressGuard.h"
#include "PageDecoding.h"
#include "PageTransfers.h"
#include "RunCookies.h"
#include "Version.h"
#include "WebAddress.h"

#include <QHostAddress>
#include <curl/curl.h>
#include <sys/socket.h>
#include <utility>

namespace {

// An honest User-Agent: the program and its version.
const char* const UserAgent = "Zembrel/" ZEMBREL_VERSION;

bool isRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isServerError(long status) {
    return status >= 500 && status <= 599;
}

// Refuses direct connections to addresses on this machine or its network,
// whatever name led to them.
curl_socket_t openPublicSocket(void*, curlsocktype, curl_sockaddr* address) {
    if (isLocalAddress(QHostAddress(&address->addr)))
        return CURL_SOCKET_BAD;
    return ::socket(address->family, address->socktype, address->protocol);
}

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

PageRequest::PageRequest(PageTransfers& transfers, const QString& url,
                         std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent)
    , transfers_(transfers)
    , address_(webAddress(url))
    , timeout_(timeout) {}

PageRequest::~PageRequest() {
    cancel();
}

void PageRequest::start() {
    if (started_)
        return;
    started_ = true;
    clock_.start();
    if (!mayRequest(address_)) {
        // Reported from the event loop, like every other outcome.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!cancelled_)
                    finish({});
            },
            Qt::QueuedConnection);
        return;
    }
    easy_ = curl_easy_init();
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_USERAGENT, UserAgent);
    curl_easy_setopt(easy_, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    // The proxy for each hop is chosen by the program's routing, which has
    // already applied no_proxy; libcurl must not apply it again.
    curl_easy_setopt(easy_, CURLOPT_NOPROXY, "");
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &PageRequest::onBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &PageRequest::onHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &PageRequest::onRequestReady);
    curl_easy_setopt(easy_, CURLOPT_PREREQDATA, this);
    if (cookies_) {
        // The jar's cookies, and no file: "" turns the cookie engine on.
        curl_easy_setopt(easy_, CURLOPT_SHARE, cookies_->share());
        curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");
    }
    startHop(address_);
}

void PageRequest::cancel() {
    cancelled_ = true;
    endTransfer();
}

// Web addresses only, and none on this machine or its network.
bool PageRequest::mayRequest(const QUrl& address) const {
    const QString scheme = address.scheme();
    if (address.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    return transfers_.localAddressesAllowed() || !isLocalAddress(address);
}

void PageRequest::startHop(const QUrl& address) {
    const qint64 left = timeout_.count() - clock_.elapsed();
    if (left <= 0) {
        endTransfer();
        finish({});
        return;
    }
    sent_ = 0;
    headerBytes_ = 0;
    body_.clear();
    const QNetworkProxy proxy = transfers_.proxyFor(address);
    const QByteArray proxyAddress = curlProxy(proxy);
    // An empty proxy also keeps libcurl from reading proxy variables itself.
    curl_easy_setopt(easy_, CURLOPT_PROXY, proxyAddress.constData());
    const QByteArray user = proxy.user().toUtf8();
    const QByteArray password = proxy.password().toUtf8();
    curl_easy_setopt(easy_, CURLOPT_PROXYUSERNAME, user.isEmpty() ? nullptr : user.constData());
    curl_easy_setopt(easy_, CURLOPT_PROXYPASSWORD, user.isEmpty() ? nullptr : password.constData());
    const bool guardSockets = proxyAddress.isEmpty() && !transfers_.localAddressesAllowed();
    curl_easy_setopt(easy_, CURLOPT_OPENSOCKETFUNCTION, guardSockets ? &openPublicSocket : nullptr);
    curl_easy_setopt(easy_, CURLOPT_URL, address.toEncoded().constData());
    curl_easy_setopt(easy_, CURLOPT_TIMEOUT_MS, long(left));
    transfers_.add(easy_, *this);
}

void PageRequest::transferEnded(int result) {
    if (result != CURLE_OK) {
        endTransfer();
        finish({});
        return;
    }
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    const char* redirectTarget = nullptr;
    curl_easy_getinfo(easy_, CURLINFO_REDIRECT_URL, &redirectTarget);
    if (isRedirect(status) && redirectTarget) {
        followRedirect(redirectTarget);
        return;
    }
    // A server error's page (or a proxy's, for a shop it cannot reach) says
    // nothing about the shop: the fetch failed.
    if (isServerError(status)) {
        endTransfer();
        finish({});
        return;
    }
    const char* contentType = nullptr;
    curl_easy_getinfo(easy_, CURLINFO_CONTENT_TYPE, &contentType);
    const QByteArray body = std::exchange(body_, {});
    const QByteArray contentTypeHeader(contentType);
    endTransfer();
    finish(pagedecoding::decodePage(body, contentTypeHeader));
}

// A redirect may not lead to another scheme, from https to http, to this
// machine or its network, or past the most redirects allowed.
void PageRequest::followRedirect(const QByteArray& target) {
    transfers_.remove(easy_);
    char* current = nullptr;
    curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &current);
    const bool fromHttps = QByteArray(current).startsWith("https:");
    const QUrl to = QUrl::fromEncoded(target);
    const bool lessSafe = fromHttps && to.scheme() != QLatin1String("https");
    if (++redirects_ > MaxRedirects || !to.isValid() || lessSafe || !mayRequest(to)) {
        endTransfer();
        finish({});
        return;
    }
    startHop(to);
}

void PageRequest::endTransfer() {
    if (!easy_)
        return;
    transfers_.remove(easy_);
    curl_easy_cleanup(easy_);
    easy_ = nullptr;
}

void PageRequest::finish(const QString& text) {
    finished_ = true;
    text_ = text;
    emit finished(text_);
}

size_t PageRequest::onBody(char* data, size_t size, size_t count, void* self) {
    QByteArray& body = static_cast<PageRequest*>(self)->body_;
    const size_t bytes = size * count;
    if (body.size() + qint64(bytes) > MaxPageBytes)
        return 0; // ends the transfer as failed
    body.append(data, qsizetype(bytes));
    return bytes;
}

size_t PageRequest::onHeader(char*, size_t size, size_t count, void* self) {
    qint64& headerBytes = static_cast<PageRequest*>(self)->headerBytes_;
    const size_t bytes = size * count;
    headerBytes += qint64(bytes);
    return headerBytes > MaxHeaderBytes ? 0 : bytes;
}

// libcurl sends a request again by itself when a reused connection closes
// before any answer; the request is sent once, so a second attempt fails.
int PageRequest::onRequestReady(void* self, char*, char*, int, int) {
    return ++static_cast<PageRequest*>(self)->sent_ > 1 ? CURL_PREREQFUNC_ABORT
                                                        : CURL_PREREQFUNC_OK;
}
