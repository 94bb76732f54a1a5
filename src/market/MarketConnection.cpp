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
        else if (name == "cookie")
            request.cookie = lines[i].mid(colon + 1).trimmed();
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

    const MarketPage page = server_.answer(request.method, host, path, request.cookie);
    pendingHost_ = host;
    pendingEntry_ = server_.requestLog().constLast();
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
    if (page.answerInstead) {
        busy_ = true;
        // A connection the answer closes at once has not been abandoned.
        const QString entry = std::exchange(pendingEntry_, QString());
        if (page.answerInstead(*socket_, page))
            server_.answered(pendingHost_);
        else
            pendingEntry_ = entry;
        return;
    }
    server_.answered(pendingHost_);
    pendingEntry_.clear();
    socket_->write(
        page.head("Content-Length: " + QByteArray::number(page.body.size()), !keepAlive) +
        page.body);
    if (!keepAlive)
        socket_->disconnectFromHost();
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
