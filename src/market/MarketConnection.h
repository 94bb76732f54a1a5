#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

class HttpHead;
class MarketServer;
class QTcpSocket;
struct MarketPage;

// One client connection of the marketplace: reads requests one after
// another (keep-alive or not) and has the server answer each in turn. A
// head that HttpHead does not read, or that is no request, drops the
// connection.
class MarketConnection : public QObject {
public:
    MarketConnection(QTcpSocket* socket, MarketServer& server);

    // Answers the request being served with `page`, after the page's delay.
    void send(const MarketPage& page);
    // Leaves the connection to the caller, for an answer of its own: no
    // further request is read from it. Unless `answered`, the request counts
    // as unanswered until the client leaves.
    QTcpSocket& takeConnection(bool answered);

private:
    struct Request {
        QByteArray method;
        QByteArray target;
        QByteArray host;
        QByteArray cookie;
        bool keepAlive = true;
    };

    void readRequests();
    // The request a head asks for; none when its start line is no request
    // line.
    static std::optional<Request> requestOf(const HttpHead& head);
    void serve(const Request& request);
    void write(const MarketPage& page);
    void answered();
    void clientLeft();

    QTcpSocket* socket_;
    MarketServer& server_;
    QByteArray buffer_;
    bool reading_ = false;
    // A request is being answered: the next one waits.
    bool busy_ = false;
    bool keepAlive_ = true;
    // The entry of the request waiting for its answer, if any.
    QString pending_;
};
