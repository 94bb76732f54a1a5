#include "PageRequest.h"

#include "PageDecoding.h"
#include "WebAddress.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// An honest User-Agent: the program and its version.
const QByteArray UserAgent = QByteArrayLiteral("Zembrel/" ZEMBREL_VERSION);

// A reply that got an answer from the server, even an error status, has a
// body worth reading; transport failures and aborts have none.
bool hasUsableBody(const QNetworkReply& reply) {
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError)
        return true;
    const bool answered = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    const bool statusError =
        (error >= QNetworkReply::ContentAccessDenied &&
         error <= QNetworkReply::UnknownContentError) ||
        (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    return answered && statusError;
}

} // namespace

PageRequest::PageRequest(QNetworkAccessManager& network, const QString& url,
                         std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent)
    , network_(network)
    , address_(webAddress(url))
    , timeout_(timeout) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &PageRequest::fail);
}

PageRequest::~PageRequest() {
    cancel();
}

void PageRequest::start() {
    if (started_)
        return;
    started_ = true;
    if (address_.isEmpty()) {
        // Reported from the event loop, like every other outcome.
        QMetaObject::invokeMethod(
            this, [this] { finish({}); }, Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(address_);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);

    reply_ = network_.get(request);
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (received > MaxPageBytes || total > MaxPageBytes)
            fail();
    });
    connect(reply_, &QNetworkReply::finished, this, &PageRequest::complete);
    deadline_.start(timeout_);
}

void PageRequest::cancel() {
    deadline_.stop();
    if (!reply_)
        return;
    QNetworkReply* const reply = reply_;
    reply_ = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void PageRequest::fail() {
    failed_ = true;
    if (reply_)
        reply_->abort(); // finishes the reply, and so this request
}

void PageRequest::complete() {
    deadline_.stop();
    QNetworkReply* const reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    if (failed_ || !hasUsableBody(*reply)) {
        finish({});
        return;
    }
    finish(pagedecoding::decodePage(
        reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()));
}

void PageRequest::finish(const QString& text) {
    finished_ = true;
    text_ = text;
    emit finished(text_);
}
