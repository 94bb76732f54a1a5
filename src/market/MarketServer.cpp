#include "MarketServer.h"

#include "MarketConnection.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <algorithm>

namespace {

QString pageKey(const QString& host, const QString& path) {
    return host.toLower() + path;
}

// Whether a Cookie header ("a=1; b=2") holds `cookie` ("b=2").
bool hasCookie(const QByteArray& header, const QByteArray& cookie) {
    const QList<QByteArray> cookies = header.split(';');
    return std::any_of(cookies.begin(), cookies.end(),
                       [&](const QByteArray& one) { return one.trimmed() == cookie; });
}

} // namespace

MarketServer::MarketServer(QObject* parent)
    : QObject(parent) {
    connect(&server_, &QTcpServer::newConnection, this, &MarketServer::acceptConnections);
}

bool MarketServer::listen(quint16 port) {
    return server_.listen(QHostAddress::LocalHost, port);
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

void MarketServer::setPageForCookie(const QString& host, const QString& path,
                                    const QByteArray& cookie, const MarketPage& page) {
    cookiePages_.insert(pageKey(host, path), {cookie, page});
}

MarketPage MarketServer::answer(const QByteArray& method, const QString& host, const QString& path,
                                const QByteArray& cookies) {
    const QString entry =
        QStringLiteral("%1 http://%2%3").arg(QString::fromLatin1(method), host.toLower(), path);
    log_.append(entry);
    mostAtOnce_ = std::max(mostAtOnce_, ++inProgress_);
    mostAtOnceToOneHost_ = std::max(mostAtOnceToOneHost_, ++inProgressByHost_[host.toLower()]);
    emit requested(entry);

    const auto forCookie = cookiePages_.constFind(pageKey(host, path));
    if (forCookie != cookiePages_.cend() && hasCookie(cookies, forCookie->first))
        return forCookie->second;
    const auto found = pages_.constFind(pageKey(host, path));
    if (found != pages_.cend())
        return *found;
    MarketPage missing;
    missing.status = 404;
    missing.body = "<html><body>404 Not Found</body></html>";
    return missing;
}

void MarketServer::answered(const QString& host) {
    --inProgress_;
    if (--inProgressByHost_[host.toLower()] == 0)
        inProgressByHost_.remove(host.toLower());
}

void MarketServer::abandoned(const QString& host, const QString& entry) {
    answered(host);
    abandoned_.append(entry);
}

void MarketServer::acceptConnections() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        new MarketConnection(socket, *this);
    }
}
