#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class MarketServer;
class QTcpSocket;
struct MarketPage;

// One client connection of the marketplace: reads requests one after
// another (keep-alive or not) and writes the canned answers.
class MarketConnection : public QObject {
public:
    MarketConnection(QTcpSocket* socket, MarketServer& server);

private:
    struct Request {
        QByteArray method;
        QByteArray target;
        QByteArray host;
        QByteArray cookie;
        bool keepAlive = true;
    };

    void readRequests();
    // Takes one complete request head off the buffer, if there is one.
    bool takeRequest(Request& request);
    void serve(const Request& request);
    void send(const MarketPage& page, bool keepAlive);
    void clientLeft();

    QTcpSocket* socket_;
    MarketServer& server_;
    QByteArray buffer_;
    bool busy_ = false;
    // The request waiting for its answer, if any: its host and log entry.
    QString pendingHost_;
    QString pendingEntry_;
};
