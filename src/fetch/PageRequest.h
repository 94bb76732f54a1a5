#pragma once

#include "PageServices.h"
#include "PageTransfers.h"

#include <QByteArray>
#include <QNetworkProxy>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <exception>
#include <memory>
#include <optional>

class CurlHandle;
class RunCookies;

// One page fetch over HTTP(S), asynchronous: start() sends the request and
// finished() reports the page once the transfer has ended, always from the
// event loop after start() has returned. A failure gives empty text and
// says which kind it is:
// - the address's own: not a web address, or one on this machine or its
//   network (by literal, or by the name's addresses, checked as they are
//   connected to); a certificate that does not verify; a site that refuses
//   the page (401, 403, or 429 once its Retry-After has been waited for);
// - no answer: no such host, a refused or reset connection, another TLS
//   error, the time-out, a body cut short or badly framed, headers or a
//   body over their caps, too many redirects, libcurl refusing a call, a
//   server error 5xx (a 503 asked again once after its Retry-After).
// Another client error 4xx with a body gives the body: a shop that is gone
// answers so. The time-out counts from start() and covers every redirect,
// every wait for a proxy look-up and every Retry-After.
//
// Each request is sent once: redirects are followed here, one hop at a
// time, so that every target is checked before it is asked for, and a
// request is asked again only after a Retry-After.
class PageRequest : public QObject, private Transfer {
    Q_OBJECT

public:
    // Pages larger than this count as failures.
    static constexpr qint64 MaxPageBytes = 32 * 1024 * 1024;
    // Response headers larger than this, all lines together, too.
    static constexpr qint64 MaxHeaderBytes = 256 * 1024;
    static constexpr int MaxRedirects = 10;

    PageRequest(PageTransfers& transfers, const QString& url, std::chrono::milliseconds timeout,
                QObject* parent = nullptr);
    ~PageRequest() override;

    // Keeps and sends cookies in this jar; without one, no cookies at all.
    // Set before start().
    void useCookies(std::shared_ptr<RunCookies> cookies) { cookies_ = std::move(cookies); }

    void start();
    // Ends a started transfer at once, without finished().
    void cancel();

    bool isStarted() const { return started_; }
    bool isFinished() const { return finished_; }
    // The page once finished.
    const PageResult& result() const { return result_; }
    // Its text; empty on failure.
    const QString& text() const { return result_.text; }
    // What the program raised while it read the answer (memory running out,
    // say), for the asker to raise in turn; the text is then empty.
    std::exception_ptr failure() const { return failure_; }

signals:
    void finished(const QString& text);

private:
    bool setUp();
    void startHop(const QUrl& address);
    void sendHop(const QUrl& address, const QNetworkProxy& proxy);
    PageResult refusal(const QUrl& address) const;
    // The hop's transfer has ended with this libcurl result.
    void transferEnded(int result) override;
    std::optional<PageResult> readHop(int result);
    PageResult failedTransfer(int result) const;
    std::optional<PageResult> followRedirect(const QByteArray& target);
    bool askAgainLater();
    void endTransfer();
    void failSoon(PageResult failure = {});
    void finish(PageResult result);

    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static int onRequestReady(void* self, char*, char*, int, int);

    PageTransfers& transfers_;
    QUrl address_;
    std::shared_ptr<RunCookies> cookies_;
    std::chrono::milliseconds timeout_;
    QTimer deadline_;
    std::unique_ptr<CurlHandle> handle_;
    int redirects_ = 0;
    // The hop asked again after a Retry-After, once per request.
    QUrl hop_;
    bool askedAgain_ = false;
    QTimer retryAfter_;
    // libcurl's words on a failed transfer.
    char error_[256] = {};
    // This hop's requests sent, answer and header bytes.
    int sent_ = 0;
    QByteArray body_;
    qint64 headerBytes_ = 0;
    bool started_ = false;
    bool cancelled_ = false;
    bool finished_ = false;
    PageResult result_;
    std::exception_ptr failure_;
};
