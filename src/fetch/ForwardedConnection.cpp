#include "ForwardedConnection.h"

#include "HostConnection.h"
#include "PageTransfers.h"

#include <QTcpSocket>
#include <unistd.h>

namespace {

constexpr qsizetype MaxAnswerHeadBytes = 256 * 1024;
const QByteArray BadGateway =
    QByteArrayLiteral("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
const QByteArray Established = QByteArrayLiteral("HTTP/1.1 200 Connection established\r\n\r\n");

// Passes on what one socket has read while the other holds little unsent.
void pump(QTcpSocket& from, QTcpSocket& to) {
    while (from.bytesAvailable() > 0 && to.bytesToWrite() < ForwardedConnection::RelayBufferBytes)
        to.write(from.read(ForwardedConnection::RelayBufferBytes - to.bytesToWrite()));
}

// A side that has closed and whose data has all been read.
bool drained(const QTcpSocket& socket) {
    return socket.state() == QAbstractSocket::UnconnectedState && socket.bytesAvailable() == 0;
}

} // namespace

ForwardedConnection::ForwardedConnection(QTcpSocket* client, PageTransfers& transfers,
                                         QObject* parent)
    : QObject(parent)
    , transfers_(transfers)
    , client_(client) {
    client_->setParent(this);
    client_->setReadBufferSize(RelayBufferBytes);
    connect(client_, &QTcpSocket::readyRead, this, [this] {
        switch (state_) {
        case State::ReadingHead:
            readHead();
            return;
        case State::Connecting:
            return; // kept until the connection is there
        case State::Relaying:
            relay();
            return;
        case State::Closing:
            client_->readAll();
            return;
        }
    });
    connect(client_, &QTcpSocket::bytesWritten, this, &ForwardedConnection::relay);
    connect(client_, &QTcpSocket::disconnected, this, &ForwardedConnection::sideClosed);
    readHead();
}

ForwardedConnection::~ForwardedConnection() = default;

void ForwardedConnection::readHead() {
    buffer_ += client_->read(MaxHeadBytes - buffer_.size());
    HttpHeadRead read = HttpHead::read(buffer_, MaxHeadBytes);
    if (read.outcome == HttpHeadRead::Outcome::Incomplete)
        return;
    if (read.outcome == HttpHeadRead::Outcome::Invalid || !readTarget(read.head) ||
        !transfers_.mayAsk(target_)) {
        refuse();
        return;
    }
    request_ = std::move(read.head);
    // What follows the head goes on once the connection is there.
    buffer_.remove(0, read.length);
    state_ = State::Connecting;
    transfers_.routes().find(target_, this, [this](const QNetworkProxy& proxy) { route(proxy); });
}

// Reads where the request goes; target_ stays invalid for a request that
// cannot be passed on.
bool ForwardedConnection::readTarget(const HttpHead& request) {
    const std::optional<HttpHead::RequestLine> line = request.requestLine();
    if (!line)
        return false;
    const QByteArray& target = line->target;
    tunnel_ = line->method == "CONNECT";
    if (tunnel_) {
        const QUrl authority(QStringLiteral("https://") + QString::fromLatin1(target),
                             QUrl::StrictMode);
        if (authority.isValid() && !authority.host().isEmpty() && authority.port() > 0 &&
            authority.path().isEmpty())
            target_ = authority;
        return target_.isValid();
    }
    const QByteArray scheme = QByteArrayLiteral("http://");
    const QUrl absolute = QUrl::fromEncoded(target, QUrl::StrictMode);
    if (!target.startsWith(scheme) || !absolute.isValid() || absolute.host().isEmpty())
        return false;
    qsizetype pathStart = scheme.size();
    while (pathStart < target.size() && !QByteArray("/?#").contains(target[pathStart]))
        ++pathStart;
    QByteArray originForm = target.mid(pathStart);
    if (originForm.isEmpty() || !originForm.startsWith('/'))
        originForm.prepend('/');
    originLine_ = line->method + ' ' + originForm + ' ' + line->version;
    target_ = absolute;
    return true;
}

// Connects to the host itself, through a SOCKS proxy, or to the HTTP proxy
// that is to take the request.
void ForwardedConnection::route(const QNetworkProxy& proxy) {
    const bool throughHttp =
        proxy.type() == QNetworkProxy::HttpProxy || proxy.type() == QNetworkProxy::HttpCachingProxy;
    if (throughHttp) {
        httpProxy_ = proxy;
        connecting_ = new HostConnection(transfers_, proxy.hostName(), proxy.port(),
                                         QNetworkProxy::NoProxy, false, ConnectTimeout, this);
    } else {
        const QNetworkProxy socks =
            proxy.type() == QNetworkProxy::Socks5Proxy ? proxy : QNetworkProxy::NoProxy;
        connecting_ = new HostConnection(transfers_, target_.host(),
                                         quint16(target_.port(tunnel_ ? 443 : 80)), socks, true,
                                         ConnectTimeout, this);
    }
    connect(connecting_, &HostConnection::connected, this, &ForwardedConnection::connected);
    connecting_->start();
}

void ForwardedConnection::connected(int socket) {
    connecting_->deleteLater();
    if (socket < 0 && !connecting_->refusedAddress().isEmpty())
        transfers_.refusedHosts().add(target_.host());
    connecting_ = nullptr;
    if (socket < 0) {
        refuse();
        return;
    }
    upstream_ = new QTcpSocket(this);
    if (!upstream_->setSocketDescriptor(socket)) {
        ::close(socket);
        refuse();
        return;
    }
    upstream_->setReadBufferSize(RelayBufferBytes);
    connect(upstream_, &QTcpSocket::readyRead, this, &ForwardedConnection::relay);
    connect(upstream_, &QTcpSocket::bytesWritten, this, &ForwardedConnection::relay);
    connect(upstream_, &QTcpSocket::disconnected, this, &ForwardedConnection::sideClosed);
    state_ = State::Relaying;
    if (tunnel_ && httpProxy_.type() == QNetworkProxy::NoProxy) {
        client_->write(Established);
    } else {
        upstream_->write(requestToSend());
        answerHeadPending_ = !tunnel_;
    }
    upstream_->write(std::exchange(buffer_, {}));
    relay();
}

// The request as the next hop takes it: a proxy gets it as the browser
// sent it, with the proxy's credentials; a host gets the origin form. A
// request that is not a tunnel asks for the connection to be closed.
QByteArray ForwardedConnection::requestToSend() const {
    HttpHead head = request_;
    if (tunnel_)
        head.remove("Proxy-Authorization");
    else
        head.removeHopByHop();
    const bool toProxy = httpProxy_.type() != QNetworkProxy::NoProxy;
    if (!toProxy)
        head.setStartLine(originLine_);
    if (toProxy && !httpProxy_.user().isEmpty())
        head.append("Proxy-Authorization",
                    "Basic " +
                        (httpProxy_.user() + u':' + httpProxy_.password()).toUtf8().toBase64());
    if (!tunnel_)
        head.append("Connection", "close");
    return head.bytes();
}

// Passes data on both ways, then closes each side once the other has closed
// and everything it sent has been passed on.
void ForwardedConnection::relay() {
    if (state_ != State::Relaying)
        return;
    if (answerHeadPending_)
        passAnswerHead();
    if (!answerHeadPending_)
        pump(*upstream_, *client_);
    pump(*client_, *upstream_);
    if (drained(*client_))
        upstream_->disconnectFromHost();
    if (drained(*upstream_))
        client_->disconnectFromHost();
    if (client_->state() == QAbstractSocket::UnconnectedState &&
        upstream_->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
}

// The answer's head is passed on with "Connection: close" once it is
// complete.
void ForwardedConnection::passAnswerHead() {
    buffer_ += upstream_->read(MaxAnswerHeadBytes - buffer_.size());
    HttpHeadRead read = HttpHead::read(buffer_, MaxAnswerHeadBytes);
    if (read.outcome == HttpHeadRead::Outcome::Incomplete)
        return;
    if (read.outcome == HttpHeadRead::Outcome::Invalid) {
        upstream_->abort();
        client_->abort();
        return;
    }
    read.head.removeHopByHop();
    read.head.append("Connection", "close");
    client_->write(read.head.bytes() + buffer_.mid(read.length));
    buffer_.clear();
    answerHeadPending_ = false;
}

void ForwardedConnection::sideClosed() {
    if (state_ == State::Relaying)
        relay();
    else if (client_->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
}

void ForwardedConnection::refuse() {
    state_ = State::Closing;
    if (upstream_)
        upstream_->abort();
    client_->write(BadGateway);
    client_->disconnectFromHost();
    if (client_->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
}
