#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>

class PageTransfers;
class RunCookies;
typedef void CURL; // as libcurl declares it

// One page fetch over HTTP(S), asynchronous: start() sends the request and
// finished() reports the page text once the transfer has ended. Every
// failure (no such host, refused or reset connection, TLS error, time-out,
// a body cut short or badly framed, headers or a body over their caps, too
// many redirects, a non-web address, an address on this machine or its
// network, a server error status 5xx) gives empty text. A client error
// status 4xx with a body gives the body: a shop that is gone answers so. The
// time-out counts from start() and covers every redirect.
//
// Each request is sent once: redirects are followed here, one hop at a
// time, so that every target is checked before it is asked for.
class PageRequest : public QObject {
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
    // The page text once finished; empty on failure.
    const QString& text() const { return text_; }

signals:
    void finished(const QString& text);

private:
    friend class PageTransfers;

    void startHop(const QUrl& address);
    bool mayRequest(const QUrl& address) const;
    // The hop's transfer has ended with this libcurl result.
    void transferEnded(int result);
    void followRedirect(const QByteArray& target);
    void endTransfer();
    void finish(const QString& text);

    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static int onRequestReady(void* self, char*, char*, int, int);

    PageTransfers& transfers_;
    QUrl address_;
    std::shared_ptr<RunCookies> cookies_;
    std::chrono::milliseconds timeout_;
    QElapsedTimer clock_;
    CURL* easy_ = nullptr;
    int redirects_ = 0;
    // This hop's requests sent, answer and header bytes.
    int sent_ = 0;
    QByteArray body_;
    qint64 headerBytes_ = 0;
    bool started_ = false;
    bool cancelled_ = false;
    bool finished_ = false;
    QString text_;
};
