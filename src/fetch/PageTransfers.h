#pragma once

#include "AddressGuard.h"
#include "ProxyRoutes.h"
#include "RefusedHosts.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <unordered_map>

class QNetworkProxyFactory;
class QSocketNotifier;
typedef void CURL;  // as libcurl declares them
typedef void CURLM; // NOLINT(modernize-use-using)

class PageTransfers;

// How a transfer's sockets are opened: by the transfers, and, for a direct
// connection, only to an address their policy allows; `refused` is the
// last address refused so. It must outlive the transfer's handle; `direct`
// may change between hops.
struct SocketGuard {
    const PageTransfers* transfers = nullptr;
    bool direct = false;
    QString refused;
};

// A libcurl transfer run by PageTransfers. It hears once, with libcurl's
// result code, that its transfer has ended, unless it removes the transfer
// first.
class Transfer {
public:
    virtual void transferEnded(int result) = 0;

protected:
    ~Transfer() = default;
};

// The program's page transfers: one libcurl multi handle driven by the Qt
// event loop (a socket notifier per socket, one timer), with a bounded
// connection cache, the routes to proxies and the policy of which addresses
// pages may make the program connect to. Every transfer must end before this
// object does.
//
// Every libcurl call is checked. When libcurl cannot be set up, no transfer
// can be added; when the multi handle fails while it drives its transfers,
// every transfer attached to it ends with an error.
class PageTransfers : public QObject {
    Q_OBJECT

public:
    // Connections open at once, in use or idle: enough for the most fetches
    // the prefetcher runs at once. Idle connections beyond the cache's size
    // are closed, the longest unused first.
    static constexpr long MaxConnections = 32;
    static constexpr long MaxCachedConnections = 16;

    explicit PageTransfers(AddressPolicy policy = isPublicAddress, QObject* parent = nullptr);
    ~PageTransfers() override;

    // Routes requests by this factory instead of the application's proxy
    // settings (--proxy or the environment's proxy variables).
    void setProxyFactory(std::unique_ptr<QNetworkProxyFactory> factory);
    ProxyRoutes& routes() { return routes_; }
    // The names whose addresses the policy refused to the browser's proxy.
    RefusedHosts& refusedHosts() { return refusedHosts_; }

    // Whether a page may make the program connect to this address.
    bool mayConnect(const QHostAddress& address) const { return policy_(address); }
    // Whether the address's host may be asked for: a literal address as the
    // policy says; a name is checked once it resolves.
    bool mayAsk(const QUrl& address) const;

    // Runs the transfer until it ends (the transfer hears of it) or is
    // removed; false, with nothing started, when libcurl refuses it.
    bool add(CURL* easy, Transfer& transfer);
    void remove(CURL* easy);

    // Makes libcurl open the handle's sockets through the guard: closed on
    // exec, and none for a direct connection to an address the policy
    // refuses. False when libcurl refuses the options.
    bool guardSockets(CURL* easy, SocketGuard& guard) const;

private:
    struct SocketWatch;

    static int onSocket(CURL* easy, int socket, int what, void* self, void* socketData);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);
    void watch(int socket, int what);
    void act(int socket, int events);
    void reportCompleted();
    void failAttached();

    AddressPolicy policy_;
    bool curlReady_ = false;
    CURLM* multi_ = nullptr;
    QTimer timer_;
    std::unordered_map<int, std::unique_ptr<SocketWatch>> sockets_;
    std::unordered_map<CURL*, Transfer*> attached_;
    ProxyRoutes routes_;
    RefusedHosts refusedHosts_;
};
