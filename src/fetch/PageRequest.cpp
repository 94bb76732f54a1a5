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

// A site that will not hand this page out, whoever asks again.
bool isRefusal(long status) {
    return status == 401 || status == 403 || status == 429;
}

PageResult failed(PageProblem problem, QString detail = {}) {
    return {QString(), problem, std::move(detail)};
}

} // namespace

static_assert(CURL_ERROR_SIZE == 256, "the error buffer's size");

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
    retryAfter_.setSingleShot(true);
    connect(&retryAfter_, &QTimer::timeout, this, [this] { startHop(hop_); });
}

PageRequest::~PageRequest() {
    cancel();
}

void PageRequest::start() {
    if (started_)
        return;
    started_ = true;
    deadline_.start(timeout_);
    if (PageResult refused = refusal(address_); refused.problem != PageProblem::None) {
        failSoon(std::move(refused));
        return;
    }
    if (!setUp()) {
        failSoon();
        return;
    }
    startHop(address_);
}

void PageRequest::cancel() {
    cancelled_ = true;
    deadline_.stop();
    retryAfter_.stop();
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
           h.set(CURLOPT_PREREQDATA, this) && h.set(CURLOPT_ERRORBUFFER, error_) &&
           // The run's jar, and no file: "" turns the cookie engine on.
           (!cookies_ || (cookies_->share() && h.set(CURLOPT_SHARE, cookies_->share()) &&
                          h.set(CURLOPT_COOKIEFILE, "")));
}

// Web addresses only, and none whose host is an address the policy refuses:
// why not, or no problem. A name is checked when its addresses are
// connected to.
PageResult PageRequest::refusal(const QUrl& address) const {
    const QString scheme = address.scheme();
    if (address.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return failed(PageProblem::NotWebAddress);
    if (!transfers_.mayAsk(address))
        return failed(PageProblem::LocalAddress, address.host());
    return {};
}

// Each hop goes the way the routes say, once they know it.
void PageRequest::startHop(const QUrl& address) {
    transfers_.routes().find(address, this, [this, address](const QNetworkProxy& proxy) {
        if (handle_)
            sendHop(address, proxy);
    });
}

void PageRequest::sendHop(const QUrl& address, const QNetworkProxy& proxy) {
    hop_ = address;
    error_[0] = '\0';
    sent_ = 0;
    headerBytes_ = 0;
    body_.clear();
    const QByteArray url = address.toEncoded();
    if (!handle_->useProxy(proxy) || !handle_->set(CURLOPT_URL, url.constData()) ||
        !handle_->start(*this))
        failSoon();
}

void PageRequest::transferEnded(int result) {
    std::optional<PageResult> page;
    try {
        page = readHop(result);
    } catch (...) {
        // Reading the answer failed in the program itself (memory ran out,
        // say): the asker hears of it.
        failure_ = std::current_exception();
        page = PageResult();
    }
    if (page) {
        endTransfer();
        finish(std::move(*page));
    }
}

// The page once the request is done, or none while the next hop of a
// redirect, or the same hop asked again, is on its way.
std::optional<PageResult> PageRequest::readHop(int result) {
    long status = 0;
    const char* redirectTarget = nullptr;
    const char* contentType = nullptr;
    CURL* const easy = handle_->get();
    if (result != CURLE_OK)
        return failedTransfer(result);
    const bool answered =
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
        curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &redirectTarget) == CURLE_OK &&
        curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK;
    if (!answered)
        return PageResult();
    if (isRedirect(status) && redirectTarget)
        return followRedirect(redirectTarget);
    if ((status == 429 || status == 503) && askAgainLater())
        return std::nullopt;
    if (isRefusal(status))
        return failed(PageProblem::Refused, QStringLiteral("HTTP %1").arg(status));
    // A server error's page (or a proxy's, for a shop it cannot reach) says
    // nothing about the shop: the fetch failed.
    if (isServerError(status))
        return PageResult();
    return PageResult{pagedecoding::decodePage(std::exchange(body_, {}), QByteArray(contentType)),
                      PageProblem::None,
                      {}};
}

// A transfer that ended without an answer: a certificate that does not
// verify and an address the policy refused belong to the address; anything
// else is no answer.
PageResult PageRequest::failedTransfer(int result) const {
    if (result == CURLE_PEER_FAILED_VERIFICATION)
        return failed(PageProblem::BadCertificate, QString::fromUtf8(error_));
    if (const QString& refused = handle_->refusedAddress(); !refused.isEmpty())
        return failed(PageProblem::LocalAddress,
                      QStringLiteral("%1（%2）").arg(hop_.host(), refused));
    return PageResult();
}

// A 429 or 503 answer that says when to come back is asked again once,
// after that wait, if the wait ends before the request's time-out: true
// then. Otherwise the answer stands.
bool PageRequest::askAgainLater() {
    CURL* const easy = handle_->get();
    curl_header* header = nullptr;
    curl_off_t seconds = 0;
    const bool told =
        curl_easy_header(easy, "Retry-After", 0, CURLH_HEADER, -1, &header) == CURLHE_OK &&
        curl_easy_getinfo(easy, CURLINFO_RETRY_AFTER, &seconds) == CURLE_OK;
    const qint64 waitMs = qint64(seconds) * 1000;
    if (askedAgain_ || !told || waitMs >= deadline_.remainingTime())
        return false;
    askedAgain_ = true;
    handle_->stop();
    retryAfter_.start(int(waitMs));
    return true;
}

// A redirect may not lead to another scheme, to an address the policy
// refuses, or past the most redirects allowed; it may lead from https to
// http, as it does in a browser.
std::optional<PageResult> PageRequest::followRedirect(const QByteArray& target) {
    handle_->stop();
    const QUrl to = QUrl::fromEncoded(target);
    if (++redirects_ > MaxRedirects || !to.isValid())
        return PageResult();
    if (PageResult refused = refusal(to); refused.problem != PageProblem::None)
        return refused;
    startHop(to);
    return std::nullopt;
}

void PageRequest::endTransfer() {
    handle_.reset();
}

// Ends the request as failed, reported from the event loop like every other
// outcome, unless it is cancelled first.
void PageRequest::failSoon(PageResult failure) {
    endTransfer();
    deadline_.stop();
    QMetaObject::invokeMethod(
        this,
        [this, failure = std::move(failure)] {
            if (!cancelled_ && !finished_)
                finish(failure);
        },
        Qt::QueuedConnection);
}

void PageRequest::finish(PageResult result) {
    finished_ = true;
    deadline_.stop();
    retryAfter_.stop();
    result_ = std::move(result);
    if (result_.text.isEmpty() && result_.problem == PageProblem::None)
        result_.problem = PageProblem::NoAnswer;
    emit finished(result_.text);
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
