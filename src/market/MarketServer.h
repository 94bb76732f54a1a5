#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <functional>
#include <utility>

// One canned answer of the marketplace.
struct MarketPage {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/html"; // sent as Content-Type
    QByteArray charset;                   // when non-empty: "; charset=<charset>" appended
    QList<std::pair<QByteArray, QByteArray>> headers; // extra headers, e.g. {"Location", "..."}
    int delayMs = 0;                                  // answer after this delay
    // Answers in place of the plain answer once the delay has passed, for a
    // server that misbehaves; the connection is then left to it and no
    // further request is read from it. It says whether the request counts
    // as answered; if not, it stays in progress until the client leaves.
    std::function<bool(QTcpSocket& socket, const MarketPage& page)> answerInstead;

    // The status line and headers of the plain answer, up to and including
    // the blank line. `framing` is the header that frames the body, e.g.
    // "Content-Length: 5"; `closes` asks the client to close afterwards.
    QByteArray head(const QByteArray& framing, bool closes) const;
};

// A small HTTP server on 127.0.0.1 that serves pages from a table keyed by
// host and path. It answers both proxy-style requests with an absolute URI
// ("GET http://shop.taobao.com/ HTTP/1.1") and direct requests (host from
// the Host header), so it can stand in for the whole marketplace when it is
// used as the HTTP proxy. Unknown pages get a 404 with a short body.
class MarketServer : public QObject {
    Q_OBJECT

public:
    explicit MarketServer(QObject* parent = nullptr);

    // Listens on 127.0.0.1 only; port 0 picks a free port.
    bool listen(quint16 port = 0);
    quint16 port() const;
    // "http://127.0.0.1:<port>"
    QString proxyUrl() const;

    // `path` includes the query, e.g. "/" or "/rate.htm?id=1"; the host is
    // matched without regard to case.
    void setPage(const QString& host, const QString& path, const MarketPage& page);
    // The page for visitors whose requests carry the cookie `cookie`
    // ("name=value"), as a shop that first hands its visitors a cookie
    // answers; the others get the page set above.
    void setPageForCookie(const QString& host, const QString& path, const QByteArray& cookie,
                          const MarketPage& page);

    // One entry per request received, "GET http://host/path".
    QStringList requestLog() const { return log_; }

    // Requests received and not yet answered; the most there were at once,
    // in all and to any one host; and the requests whose client closed the
    // connection before the answer was sent, as log entries.
    int requestsInProgress() const { return inProgress_; }
    int mostAtOnce() const { return mostAtOnce_; }
    int mostAtOnceToOneHost() const { return mostAtOnceToOneHost_; }
    QStringList abandonedRequests() const { return abandoned_; }

signals:
    void requested(const QString& entry);

private:
    friend class MarketConnection;

    // Logs the request, counts it as in progress and returns the page that
    // answers it.
    MarketPage answer(const QByteArray& method, const QString& host, const QString& path,
                      const QByteArray& cookies);
    // The request of `entry` to `host` has been answered, or abandoned.
    void answered(const QString& host);
    void abandoned(const QString& host, const QString& entry);
    void acceptConnections();

    QHash<QString, MarketPage> pages_;
    QHash<QString, std::pair<QByteArray, MarketPage>> cookiePages_;
    QStringList log_;
    int inProgress_ = 0;
    int mostAtOnce_ = 0;
    int mostAtOnceToOneHost_ = 0;
    QHash<QString, int> inProgressByHost_;
    QStringList abandoned_;
    // Last, so that its connections close while the counts above still exist.
    QTcpServer server_;
};
