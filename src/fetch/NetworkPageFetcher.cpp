#include "NetworkPageFetcher.h"

#include "PageDecoding.h"
#include "WebAddress.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <memory>

namespace {

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

NetworkPageFetcher::NetworkPageFetcher(QNetworkAccessManager& network,
                                       std::chrono::milliseconds timeout)
    : network_(network)
    , timeout_(timeout) {}

QByteArray NetworkPageFetcher::userAgent() {
    return QByteArrayLiteral("Zembrel/" ZEMBREL_VERSION);
}

QString NetworkPageFetcher::FetchPage(const QString& url) {
    const QUrl address = webAddress(url);
    if (address.isEmpty())
        return {};

    QNetworkRequest request(address);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);

    const std::unique_ptr<QNetworkReply> reply(network_.get(request));
    bool failed = false;
    const auto fail = [&] {
        failed = true;
        reply->abort();
    };

    // An overall deadline: the transfer time-out of QNetworkRequest only
    // measures inactivity, so a server trickling bytes would outlast it.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply.get(), fail);
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(),
                     [&](qint64 received, qint64 total) {
                         if (received > MaxPageBytes || total > MaxPageBytes)
                             fail();
                     });

    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeout_);
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();

    if (failed || !hasUsableBody(*reply))
        return {};
    return pagedecoding::decodePage(
        reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
}
