#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <utility>

class MarketConnection;

// One canned answer of the marketplace.
struct MarketPage {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/html"; // sent as Content-Type
    QByteArray charset;                   // when non-empty: "; charset=<charset>" appended
    QList<std::pair<QByteArray, QByteArray>> headers; // extra headers, e.g. {"Location", "..."}
    int delayMs = 0;                                  // answer after this delay

    // The status line and headers of the plain answer, up to and including
    // the blank line. `framing` is the header that frames the body, e.g.
    // "Content-Length: 5"; `closes` asks the client to close afterwards.
    QByteArray head(const QByteArray& framing, bool closes) const;
};

// One request as the marketplace received it.
struct MarketRequest {
    QByteArray method;
    QString host; // lower case
    QString path; // with the query
    QByteArray cookies;

    // "GET http://host/path"
    QString entry() const;
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

    // Listens on 127.0.0.1 only, or on `address`; port 0 picks a free port.
    bool listen(quint16 port = 0);
    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    // "http://127.0.0.1:<port>"
    QString proxyUrl() const;

    // `path` includes the query, e.g. "/" or "/rate.htm?id=1"; the host is
    // matched without regard to case.
    void setPage(const QString& host, const QString& path, const MarketPage& page);

signals:
    // A request was received; its answer was sent; its client left before
    // the answer was complete. Each names the request by its entry().
    void requested(const QString& entry);
    void answered(const QString& entry);
    void abandoned(const QString& entry);

protected:
    // Answers a request on its connection: with the page pageFor() gives.
    // A marketplace that answers otherwise answers here, at once or later.
    virtual void answer(const MarketRequest& request, MarketConnection& connection);
    // The page in the table for the request's host and path; a 404 page
    // when there is none.
    MarketPage pageFor(const MarketRequest& request) const;
    // Serves the requests a client sends on this connection, which goes once
    // the client leaves.
    void serveConnection(QTcpSocket* socket);

private:
    friend class MarketConnection;

    void acceptConnections();

    QHash<QString, MarketPage> pages_;
    QTcpServer server_;
};
