#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

// One page fetch over HTTP(S), asynchronous: start() sends the request and
// finished() reports the page text once the transfer has ended. Every
// failure (no such host, refused or reset connection, TLS error, time-out,
// a body cut short, too many redirects, a body over the size cap, a
// non-web address) gives empty text. An HTTP error status with a body gives
// the body. The time-out counts from start().
class PageRequest : public QObject {
    Q_OBJECT

public:
    // Pages larger than this count as failures.
    static constexpr qint64 MaxPageBytes = 32 * 1024 * 1024;
    static constexpr int MaxRedirects = 10;

    PageRequest(QNetworkAccessManager& network, const QString& url,
                std::chrono::milliseconds timeout, QObject* parent = nullptr);
    ~PageRequest() override;

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
    void fail();
    void complete();
    void finish(const QString& text);

    QNetworkAccessManager& network_;
    QUrl address_;
    std::chrono::milliseconds timeout_;
    QNetworkReply* reply_ = nullptr;
    // An overall deadline: the transfer time-out of QNetworkRequest only
    // measures inactivity, so a server trickling bytes would outlast it.
    QTimer deadline_;
    bool started_ = false;
    bool failed_ = false;
    bool finished_ = false;
    QString text_;
};
