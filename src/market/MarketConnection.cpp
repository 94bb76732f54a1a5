#include "MarketConnection.h"

#include "HttpHead.h"
#include "MarketServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <utility>

namespace {

// Bytes a request head may take, its blank line included, before the
// connection is dropped.
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
    while (!busy_) {
        const HttpHeadRead read = HttpHead::read(buffer_, MaxHeadSize);
        if (read.outcome == HttpHeadRead::Outcome::Incomplete)
            break;
        const std::optional<Request> request =
            read.outcome == HttpHeadRead::Outcome::Complete ? requestOf(read.head) : std::nullopt;
        if (!request) {
            socket_->abort();
            break;
        }
        buffer_.remove(0, read.length);
        serve(*request);
    }
    reading_ = false;
}

std::optional<MarketConnection::Request> MarketConnection::requestOf(const HttpHead& head) {
    const std::optional<HttpHead::RequestLine> line = head.requestLine();
    if (!line)
        return std::nullopt;
    Request request;
    request.method = line->method;
    request.target = line->target;
    request.keepAlive = line->version != "HTTP/1.0";
    for (const HttpHead::Field& field : head.fields()) {
        const QByteArray value = field.value.toLower();
        if (field.is("Host"))
            request.host = value;
        else if (field.is("Cookie"))
            request.cookie = field.value;
        else if (field.is("Connection") || field.is("Proxy-Connection"))
            request.keepAlive = value == "keep-alive" || (request.keepAlive && value != "close");
    }
    return request;
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
