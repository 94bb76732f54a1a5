#include "MarketConnection.h"

#include "MarketServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <utility>

namespace {

// Bytes a request head may take before the connection is dropped.
constexpr qsizetype MaxHeadSize = 64 * 1024;

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
    reading_ = true;
    Request request;
    while (!busy_ && takeRequest(request))
        serve(request);
    reading_ = false;
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
        else if (name == "cookie")
            request.cookie = lines[i].mid(colon + 1).trimmed();
        else if (name == "connection" || name == "proxy-connection")
            request.keepAlive = value == "keep-alive" || (request.keepAlive && value != "close");
    }
    return true;
}

void MarketConnection::serve(const Request& request) {
    MarketRequest received;
    received.method = request.method;
    received.cookies = request.cookie;
    if (request.target.toLower().startsWith("http://")) {
        const QUrl url(QString::fromLatin1(request.target));
        received.host = url.host();
        received.path = url.path(QUrl::FullyEncoded);
        if (received.path.isEmpty())
            received.path = QStringLiteral("/");
        if (url.hasQuery())
            received.path += QLatin1Char('?') + url.query(QUrl::FullyEncoded);
    } else {
        received.host = QUrl(QStringLiteral("http://") + QString::fromLatin1(request.host)).host();
        received.path = QString::fromLatin1(request.target);
    }
    received.host = received.host.toLower();

    busy_ = true;
    keepAlive_ = request.keepAlive;
    pending_ = received.entry();
    emit server_.requested(pending_);
    server_.answer(received, *this);
}

void MarketConnection::send(const MarketPage& page) {
    if (page.delayMs <= 0) {
        write(page);
        return;
    }
    QTimer::singleShot(page.delayMs, this, [this, page] { write(page); });
}

void MarketConnection::write(const MarketPage& page) {
    if (socket_->state() != QAbstractSocket::ConnectedState)
        return;
    answered();
    socket_->write(
        page.head("Content-Length: " + QByteArray::number(page.body.size()), !keepAlive_) +
        page.body);
    if (!keepAlive_)
        socket_->disconnectFromHost();
    busy_ = false;
    if (!reading_)
        readRequests();
}

QTcpSocket& MarketConnection::takeConnection(bool answered) {
    if (answered)
        this->answered();
    return *socket_;
}

void MarketConnection::answered() {
    if (!pending_.isEmpty())
        emit server_.answered(std::exchange(pending_, QString()));
}

void MarketConnection::clientLeft() {
    if (!pending_.isEmpty())
        emit server_.abandoned(std::exchange(pending_, QString()));
}

QByteArray MarketPage::head(const QByteArray& framing, bool closes) const {
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    QByteArray type = contentType;
    if (!charset.isEmpty())
        type += "; charset=" + charset;
    if (!type.isEmpty())
        head += "Content-Type: " + type + "\r\n";
    head += framing + "\r\n";
    for (const auto& [name, value] : headers)
        head += name + ": " + value + "\r\n";
    head += closes ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    return head + "\r\n";
}
