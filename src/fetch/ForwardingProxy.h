#pragma once

#include <QNetworkProxy>
#include <QObject>
#include <QTcpServer>

class PageTransfers;

// A small HTTP proxy on 127.0.0.1 through which the embedded browser makes
// all its connections, so that no page can make it reach an address on this
// machine or its network, whether by a literal address or by a name. Each
// request's host goes the way the transfers' routes say: directly, with the
// name resolved by libcurl and the address actually connected to checked by
// the transfers' policy; or through the proxy the routes name, which then
// resolves the name, while a literal address is still checked here. See
// ForwardedConnection for what is passed on.
class ForwardingProxy : public QObject {
    Q_OBJECT

public:
    // Connections from the browser served at once; the browser itself opens
    // at most 32 to one proxy.
    static constexpr int MaxConnections = 64;

    explicit ForwardingProxy(PageTransfers& transfers, QObject* parent = nullptr);
    ~ForwardingProxy() override;

    // Listens on a free port of 127.0.0.1.
    bool listen();
    // The proxy the browser is to use.
    QNetworkProxy proxy() const;
    int connectionsOpen() const { return open_; }

private:
    void accept();

    PageTransfers& transfers_;
    QTcpServer server_;
    int open_ = 0;
};
