#include "ForwardingProxy.h"

#include "ForwardedConnection.h"

#include <QTcpSocket>

ForwardingProxy::ForwardingProxy(PageTransfers& transfers, QObject* parent)
    : QObject(parent)
    , transfers_(transfers) {
    // The server itself never goes through a proxy, whatever the application's.
    server_.setProxy(QNetworkProxy::NoProxy);
    connect(&server_, &QTcpServer::newConnection, this, &ForwardingProxy::accept);
}

ForwardingProxy::~ForwardingProxy() {
    // The connections go first, while the server and the transfers still exist.
    qDeleteAll(findChildren<ForwardedConnection*>(Qt::FindDirectChildrenOnly));
}

bool ForwardingProxy::listen() {
    return server_.listen(QHostAddress::LocalHost);
}

QNetworkProxy ForwardingProxy::proxy() const {
    return {QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), server_.serverPort()};
}

void ForwardingProxy::accept() {
    while (QTcpSocket* client = server_.nextPendingConnection()) {
        if (open_ >= MaxConnections) {
            client->abort();
            client->deleteLater();
            continue;
        }
        ++open_;
        auto* connection = new ForwardedConnection(client, transfers_, this);
        connect(connection, &QObject::destroyed, this, [this] { --open_; });
    }
}
