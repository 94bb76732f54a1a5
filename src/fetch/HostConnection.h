#pragma once

#include "PageTransfers.h"

#include <QNetworkProxy>
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

class CurlHandle;

// One TCP connection to a host's port, opened by libcurl: its name is
// resolved by libcurl's asynchronous resolver, and a direct connection goes
// only to an address the transfers' policy allows, checked as it is
// connected to. Through a SOCKS proxy the proxy resolves the name and makes
// the connection. connected() hands over the socket, which the receiver then
// owns, or -1 when no connection could be made within the time-out; it is
// reported from the event loop. Deleting the object abandons the attempt.
class HostConnection : public QObject, private Transfer {
    Q_OBJECT

public:
    // `checked` applies the policy to a direct connection; a proxy's own
    // address, given by the user, is not checked.
    HostConnection(PageTransfers& transfers, const QString& host, quint16 port,
                   const QNetworkProxy& socksProxy, bool checked, std::chrono::milliseconds timeout,
                   QObject* parent = nullptr);
    ~HostConnection() override;

    void start();

    // After connected(-1): the address the policy refused, if that was why.
    const QString& refusedAddress() const { return refused_; }

signals:
    void connected(int socket);

private:
    bool setUp();
    void transferEnded(int result) override;

    PageTransfers& transfers_;
    QString host_;
    quint16 port_;
    QNetworkProxy socksProxy_;
    bool checked_;
    std::chrono::milliseconds timeout_;
    std::unique_ptr<CurlHandle> handle_;
    QString refused_;
};
