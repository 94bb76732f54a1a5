#include "ForwardedConnection.h"

#include "HostConnection.h"
#include "PageTransfers.h"

#include <QTcpSocket>
#include <unistd.h>

namespace {

constexpr qsizetype MaxAnswerHeadBytes = 256 * 1024;
const QByteArray HeadEnd = QByteArrayLiteral("\r\n\r\n");
const QByteArray BadGateway =
    QByteArrayLiteral("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
const QByteArray Established = QByteArrayLiteral("HTTP/1.1 200 Connection established\r\n\r\n");

// The lines of a head, without their line ends.
QList<QByteArray> linesOf(const QByteArray& head) {
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

bool isHeader(const QByteArray& line, const char* name) {
    const qsizetype colon = line.indexOf(':');
    return colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0;
}

// Headers about one connection, which are not passed on to the next.
bool isConnectionHeader(const QByteArray& line) {
    return isHeader(line, "Connection") || isHeader(line, "Proxy-Connection") ||
           isHeader(line, "Keep-Alive") || isHeader(line, "Proxy-Authorization");
}

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
    buffer_ += client_->read(MaxHeadBytes + HeadEnd.size() - buffer_.size());
    const qsizetype end = buffer_.indexOf(HeadEnd);
    if (end < 0) {
        if (buffer_.size() > MaxHeadBytes)
            refuse();
        return;
    }
    const QByteArray head = buffer_.left(end);
    // What follows the head goes on once the connection is there.
    buffer_.remove(0, end + HeadEnd.size());
    if (!parseHead(head) || !transfers_.mayAsk(target_)) {
        refuse();
        return;
    }
    state_ = State::Connecting;
    transfers_.routes().find(target_, this, [this](const QNetworkProxy& proxy) { route(proxy); });
}

// Reads the request line and keeps the header lines; target_ stays invalid
// for a request that cannot be passed on.
bool ForwardedConnection::parseHead(const QByteArray& head) {
    headerLines_ = linesOf(head);
    requestLine_ = headerLines_.takeFirst();
    const QList<QByteArray> parts = requestLine_.split(' ');
    if (parts.size() != 3 || !parts[2].startsWith("HTTP/1."))
        return false;
    method_ = parts[0];
    version_ = parts[2];
    const QByteArray& target = parts[1];
    tunnel_ = method_ == "CONNECT";
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
    originForm_ = target.mid(pathStart);
    if (originForm_.isEmpty() || !originForm_.startsWith('/'))
        originForm_.prepend('/');
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
    const bool toProxy = httpProxy_.type() != QNetworkProxy::NoProxy;
    QByteArray head = toProxy ? requestLine_ : method_ + ' ' + originForm_ + ' ' + version_;
    head += "\r\n";
    for (const QByteArray& line : headerLines_) {
        const bool dropped =
            tunnel_ ? isHeader(line, "Proxy-Authorization") : isConnectionHeader(line);
        if (!dropped)
            head += line + "\r\n";
    }
    if (toProxy && !httpProxy_.user().isEmpty())
        head += "Proxy-Authorization: Basic " +
                (httpProxy_.user() + u':' + httpProxy_.password()).toUtf8().toBase64() + "\r\n";
    if (!tunnel_)
        head += "Connection: close\r\n";
    return head + "\r\n";
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
    buffer_ += upstream_->read(MaxAnswerHeadBytes + HeadEnd.size() - buffer_.size());
    const qsizetype end = buffer_.indexOf(HeadEnd);
    if (end < 0) {
        if (buffer_.size() > MaxAnswerHeadBytes) {
            upstream_->abort();
            client_->abort();
        }
        return;
    }
    QByteArray head;
    for (const QByteArray& line : linesOf(buffer_.left(end))) {
        if (!isConnectionHeader(line))
            head += line + "\r\n";
    }
    client_->write(head + "Connection: close\r\n\r\n" + buffer_.mid(end + HeadEnd.size()));
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
