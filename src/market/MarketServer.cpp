#include "MarketServer.h"

#include "MarketConnection.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace {

QString pageKey(const QString& host, const QString& path) {
    return host.toLower() + path;
}

} // namespace

QString MarketRequest::entry() const {
    return QStringLiteral("%1 http://%2%3").arg(QString::fromLatin1(method), host, path);
}

MarketServer::MarketServer(QObject* parent)
    : QObject(parent) {
    connect(&server_, &QTcpServer::newConnection, this, &MarketServer::acceptConnections);
}

bool MarketServer::listen(quint16 port) {
    return listen(QHostAddress::LocalHost, port);
}

bool MarketServer::listen(const QHostAddress& address, quint16 port) {
    return server_.listen(address, port);
}

quint16 MarketServer::port() const {
    return server_.serverPort();
}

QString MarketServer::proxyUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void MarketServer::setPage(const QString& host, const QString& path, const MarketPage& page) {
    pages_.insert(pageKey(host, path), page);
}

void MarketServer::answer(const MarketRequest& request, MarketConnection& connection) {
    connection.send(pageFor(request));
}

MarketPage MarketServer::pageFor(const MarketRequest& request) const {
    const auto found = pages_.constFind(pageKey(request.host, request.path));
    if (found != pages_.cend())
        return *found;
    MarketPage missing;
    missing.status = 404;
    missing.body = "<html><body>404 Not Found</body></html>";
    return missing;
}

void MarketServer::serveConnection(QTcpSocket* socket) {
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    new MarketConnection(socket, *this);
}

void MarketServer::acceptConnections() {
    while (QTcpSocket* socket = server_.nextPendingConnection())
        serveConnection(socket);
}
