#include "PageRequest.h"

#include "AddressGuard.h"
#include "CurlHandle.h"
#include "PageDecoding.h"
#include "PageTransfers.h"
#include "RunCookies.h"
#include "Version.h"
#include "WebAddress.h"

#include <QHostAddress>
#include <curl/curl.h>
#include <exception>
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

} // namespace

PageRequest::PageRequest(PageTransfers& transfers, const QString& url,
                         std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent)
    , transfers_(transfers)
    , address_(webAddress(url))
    , timeout_(timeout) {
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        endTransfer();
        finish({});
    });
}

PageRequest::~PageRequest() {
    cancel();
}

void PageRequest::start() {
    if (started_)
        return;
    started_ = true;
    deadline_.start(timeout_);
    if (!mayRequest(address_) || !setUp()) {
        failSoon();
        return;
    }
    startHop(address_);
}

void PageRequest::cancel() {
    cancelled_ = true;
    deadline_.stop();
    endTransfer();
}

// The options every hop shares; false when libcurl refuses one.
bool PageRequest::setUp() {
    handle_ = std::make_unique<CurlHandle>(transfers_);
    CurlHandle& h = *handle_;
    return h.set(CURLOPT_PROTOCOLS_STR, "http,https") &&
           h.set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https") &&
           h.set(CURLOPT_USERAGENT, UserAgent) && h.set(CURLOPT_ACCEPT_ENCODING, "gzip, deflate") &&
           h.set(CURLOPT_WRITEFUNCTION, &PageRequest::onBody) && h.set(CURLOPT_WRITEDATA, this) &&
           h.set(CURLOPT_HEADERFUNCTION, &PageRequest::onHeader) &&
           h.set(CURLOPT_HEADERDATA, this) &&
           h.set(CURLOPT_PREREQFUNCTION, &PageRequest::onRequestReady) &&
           h.set(CURLOPT_PREREQDATA, this) &&
           // The run's jar, and no file: "" turns the cookie engine on.
           (!cookies_ || (cookies_->share() && h.set(CURLOPT_SHARE, cookies_->share()) &&
                          h.set(CURLOPT_COOKIEFILE, "")));
}

// Web addresses only, and none whose host is an address the policy refuses.
// A name is checked when its addresses are connected to.
bool PageRequest::mayRequest(const QUrl& address) const {
    const QString scheme = address.scheme();
    if (address.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    return transfers_.mayAsk(address);
}

// Each hop goes the way the routes say, once they know it.
void PageRequest::startHop(const QUrl& address) {
    transfers_.routes().find(address, this, [this, address](const QNetworkProxy& proxy) {
        if (handle_)
            sendHop(address, proxy);
    });
}

void PageRequest::sendHop(const QUrl& address, const QNetworkProxy& proxy) {
    sent_ = 0;
    headerBytes_ = 0;
    body_.clear();
    const QByteArray url = address.toEncoded();
    if (!handle_->useProxy(proxy) || !handle_->set(CURLOPT_URL, url.constData()) ||
        !handle_->start(*this))
        failSoon();
}

void PageRequest::transferEnded(int result) {
    std::optional<QString> text;
    try {
        text = readHop(result);
    } catch (...) {
        // Reading the answer failed in the program itself (memory ran out,
        // say): the asker hears of it.
        failure_ = std::current_exception();
        text = QString();
    }
    if (text) {
        endTransfer();
        finish(*text);
    }
}

// The page text once the request is done, or none while the next hop of a
// redirect is on its way.
std::optional<QString> PageRequest::readHop(int result) {
    long status = 0;
    const char* redirectTarget = nullptr;
    const char* contentType = nullptr;
    CURL* const easy = handle_->get();
    const bool answered =
        result == CURLE_OK &&
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
        curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &redirectTarget) == CURLE_OK &&
        curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK;
    if (!answered)
        return QString();
    if (isRedirect(status) && redirectTarget)
        return followRedirect(redirectTarget);
    // A server error's page (or a proxy's, for a shop it cannot reach) says
    // nothing about the shop: the fetch failed.
    if (isServerError(status))
        return QString();
    return pagedecoding::decodePage(std::exchange(body_, {}), QByteArray(contentType));
}

// A redirect may not lead to another scheme, from https to http, to an
// address the policy refuses, or past the most redirects allowed; such a
// redirect ends the request with empty text.
std::optional<QString> PageRequest::followRedirect(const QByteArray& target) {
    handle_->stop();
    char* current = nullptr;
    const bool known =
        curl_easy_getinfo(handle_->get(), CURLINFO_EFFECTIVE_URL, &current) == CURLE_OK;
    const bool fromHttps = !known || QByteArray(current).startsWith("https:");
    const QUrl to = QUrl::fromEncoded(target);
    const bool lessSafe = fromHttps && to.scheme() != QLatin1String("https");
    if (++redirects_ > MaxRedirects || !to.isValid() || lessSafe || !mayRequest(to))
        return QString();
    startHop(to);
    return std::nullopt;
}

void PageRequest::endTransfer() {
    handle_.reset();
}

// Ends the request as failed, reported from the event loop like every other
// outcome, unless it is cancelled first.
void PageRequest::failSoon() {
    endTransfer();
    deadline_.stop();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!cancelled_ && !finished_)
                finish({});
        },
        Qt::QueuedConnection);
}

void PageRequest::finish(const QString& text) {
    finished_ = true;
    deadline_.stop();
    text_ = text;
    emit finished(text_);
}

// No exception may pass through libcurl: one raised while the body grows
// (memory running out) ends the transfer and is kept for the asker.
size_t PageRequest::onBody(char* data, size_t size, size_t count, void* self) {
    auto* const request = static_cast<PageRequest*>(self);
    const size_t bytes = size * count;
    if (request->body_.size() + qint64(bytes) > MaxPageBytes)
        return 0; // ends the transfer as failed
    try {
        request->body_.append(data, qsizetype(bytes));
    } catch (...) {
        request->failure_ = std::current_exception();
        return 0;
    }
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
