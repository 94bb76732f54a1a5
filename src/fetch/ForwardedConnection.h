#pragma once

#include "HttpHead.h"

#include <QByteArray>
#include <QNetworkProxy>
#include <QObject>
#include <QUrl>
#include <chrono>

class HostConnection;
class PageTransfers;
class QTcpSocket;

// One connection of the browser to the forwarding proxy. It reads one
// request head (at most MaxHeadBytes, by HttpHead's rules), then:
// - CONNECT host:port becomes a tunnel to that host;
// - any other request, for an absolute http address, is passed on to its
//   host as an origin-form request with "Connection: close", and the answer's
//   head is told "Connection: close" too, so that the connection serves that
//   one request; neither head keeps the fields about one connection only
//   (HttpHead::removeHopByHop);
// - through an HTTP proxy, the request goes to the proxy as it came, with
//   the proxy's credentials.
// A request that may not or cannot be passed on is answered "502 Bad
// Gateway"; an answer whose head cannot be read (over 256 KiB, say) ends
// both connections. Data is relayed with at most RelayBufferBytes held each
// way. The object deletes itself once both sides have closed.
class ForwardedConnection : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype MaxHeadBytes = 64 * 1024;
    static constexpr qint64 RelayBufferBytes = 1024 * 1024;
    static constexpr std::chrono::seconds ConnectTimeout{30};

    ForwardedConnection(QTcpSocket* client, PageTransfers& transfers, QObject* parent);
    ~ForwardedConnection() override;

private:
    enum class State { ReadingHead, Connecting, Relaying, Closing };

    void readHead();
    bool readTarget(const HttpHead& request);
    void route(const QNetworkProxy& proxy);
    void connected(int socket);
    QByteArray requestToSend() const;
    void relay();
    void passAnswerHead();
    void sideClosed();
    void refuse();

    PageTransfers& transfers_;
    QTcpSocket* client_;
    QTcpSocket* upstream_ = nullptr;
    HostConnection* connecting_ = nullptr;
    State state_ = State::ReadingHead;
    // The request head, then the answer's head, and what came after either.
    QByteArray buffer_;
    // The request as it came, CONNECT or not, its target, its request line
    // in origin form, and the HTTP proxy it goes through, if any.
    HttpHead request_;
    bool tunnel_ = false;
    QUrl target_;
    QByteArray originLine_;
    QNetworkProxy httpProxy_{QNetworkProxy::NoProxy};
    // The answer's head is still to be rewritten before it is passed on.
    bool answerHeadPending_ = false;
};
