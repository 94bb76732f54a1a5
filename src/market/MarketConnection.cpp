#include "MarketConnection.h"

#include "MarketServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <sys/socket.h>

namespace {

// Bytes a request head may take before the connection is dropped.
constexpr qsizetype MaxHeadSize = 64 * 1024;

// How long a half-sent body waits before the reset, so that the client has
// read what was sent; and the pace of a trickled answer.
constexpr int ResetAfterMs = 200;
constexpr int TrickleIntervalMs = 1000;

// Endless headers go out as fast as the client reads them, this much at a
// time once the previous batch has left.
constexpr qsizetype HeaderBatchBytes = 256 * 1024;

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

// Ends the connection with a TCP reset instead of an orderly close: closing
// a socket that lingers zero seconds sends RST.
void resetConnection(QTcpSocket& socket) {
    const linger noLinger{1, 0};
    ::setsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
    socket.abort();
}

} // namespace

MarketConnection::MarketConnection(QTcpSocket* socket, MarketServer& server)
    : QObject(socket)
    , socket_(socket)
    , server_(server) {
    connect(socket_, &QTcpSocket::readyRead, this, &MarketConnection::readRequests);
    connect(socket_, &QTcpSocket::disconnected, this, &MarketConnection::clientLeft);
    readRequests();
}

void MarketConnection::readRequests() {
    buffer_ += socket_->readAll();
    Request request;
    while (!busy_ && takeRequest(request))
        serve(request);
    if (!busy_ && buffer_.size() > MaxHeadSize)
        socket_->abort();
}

bool MarketConnection::takeRequest(Request& request) {
    const qsizetype end = buffer_.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QList<QByteArray> lines = buffer_.left(end).split('\n');
    buffer_.remove(0, end + 4);

    const QList<QByteArray> words = lines.first().trimmed().split(' ');
    request = {};
    request.method = words.value(0);
    request.target = words.value(1);
    request.keepAlive = words.value(2) != "HTTP/1.0";
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = lines[i].left(colon).trimmed().toLower();
        const QByteArray value = lines[i].mid(colon + 1).trimmed().toLower();
        if (name == "host")
            request.host = value;
        else if (name == "connection" || name == "proxy-connection")
            request.keepAlive = value == "keep-alive" || (request.keepAlive && value != "close");
    }
    return true;
}

void MarketConnection::serve(const Request& request) {
    QString host;
    QString path;
    if (request.target.toLower().startsWith("http://")) {
        const QUrl url(QString::fromLatin1(request.target));
        host = url.host();
        path = url.path(QUrl::FullyEncoded);
        if (path.isEmpty())
            path = QStringLiteral("/");
        if (url.hasQuery())
            path += QLatin1Char('?') + url.query(QUrl::FullyEncoded);
    } else {
        host = QUrl(QStringLiteral("http://") + QString::fromLatin1(request.host)).host();
        path = QString::fromLatin1(request.target);
    }

    const MarketPage page = server_.answer(request.method, host, path);
    pendingHost_ = host;
    pendingEntry_ = server_.requestLog().constLast();
    if (page.fault == MarketPage::Fault::NeverAnswer) {
        busy_ = true; // further requests on this connection stay unread
        return;
    }
    if (page.delayMs <= 0) {
        send(page, request.keepAlive);
        return;
    }
    busy_ = true;
    QTimer::singleShot(page.delayMs, this, [this, page, keepAlive = request.keepAlive] {
        busy_ = false;
        send(page, keepAlive);
        readRequests();
    });
}

void MarketConnection::clientLeft() {
    if (!pendingEntry_.isEmpty())
        server_.abandoned(pendingHost_, pendingEntry_);
    pendingEntry_.clear();
}

void MarketConnection::send(const MarketPage& page, bool keepAlive) {
    server_.answered(pendingHost_);
    pendingEntry_.clear();
    switch (page.fault) {
    case MarketPage::Fault::CloseWithoutAnswer:
        socket_->disconnectFromHost();
        return;
    case MarketPage::Fault::ResetBeforeAnswer:
        resetConnection(*socket_);
        return;
    default:
        break;
    }
    if (page.fault == MarketPage::Fault::EndlessHeaders) {
        busy_ = true;
        socket_->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n");
        connect(socket_, &QTcpSocket::bytesWritten, this, &MarketConnection::writeMoreHeaders);
        writeMoreHeaders();
        return;
    }
    const bool cutShort = page.fault == MarketPage::Fault::CutBodyShort;
    const bool badChunk = page.fault == MarketPage::Fault::BadChunkSize;
    const bool closes = !keepAlive || page.fault != MarketPage::Fault::None;
    const qsizetype announced = cutShort ? page.body.size() + 1024 : page.body.size();

    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(page.status) + ' ' + reasonPhrase(page.status) + "\r\n";
    QByteArray contentType = page.contentType;
    if (!page.charset.isEmpty())
        contentType += "; charset=" + page.charset;
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    if (badChunk)
        head += "Transfer-Encoding: chunked\r\n";
    else
        head += "Content-Length: " + QByteArray::number(announced) + "\r\n";
    for (const auto& [name, value] : page.headers)
        head += name + ": " + value + "\r\n";
    head += closes ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    const QByteArray body =
        badChunk ? QByteArray::number(page.body.size(), 16) + "\r\n" + page.body + "\r\nzz\r\n\r\n"
                 : page.body;
    const QByteArray answer = head + "\r\n" + body;

    switch (page.fault) {
    case MarketPage::Fault::ResetMidBody:
        socket_->write(answer.left(head.size() + 2 + page.body.size() / 2));
        busy_ = true;
        QTimer::singleShot(ResetAfterMs, this, [this] { resetConnection(*socket_); });
        return;
    case MarketPage::Fault::Trickle:
        socket_->write(head + "\r\n");
        busy_ = true;
        trickle(page.body);
        return;
    default:
        socket_->write(answer);
        if (closes)
            socket_->disconnectFromHost();
    }
}

// Header lines, never the blank line that would end them.
void MarketConnection::writeMoreHeaders() {
    if (socket_->bytesToWrite() > 0)
        return;
    const QByteArray line = "X-Padding: " + QByteArray(1000, 'a') + "\r\n";
    socket_->write(line.repeated(HeaderBatchBytes / line.size()));
}

// Writes the first byte now and the rest one byte a second, then closes.
void MarketConnection::trickle(const QByteArray& rest) {
    if (rest.isEmpty()) {
        socket_->disconnectFromHost();
        return;
    }
    socket_->write(rest.left(1));
    QTimer::singleShot(TrickleIntervalMs, this, [this, rest] { trickle(rest.mid(1)); });
}
