#pragma once

#include <QNetworkProxy>
#include <QObject>
#include <QTimer>
#include <memory>
#include <unordered_map>

class PageRequest;
class QNetworkProxyFactory;
class QSocketNotifier;
class QUrl;
typedef void CURL;  // as libcurl declares them
typedef void CURLM; // NOLINT(modernize-use-using)

// The program's page transfers: one libcurl multi handle driven by the Qt
// event loop (a socket notifier per socket, one timer), with a bounded
// connection cache. Every PageRequest runs its transfer here; requests must
// end before this object does.
class PageTransfers : public QObject {
    Q_OBJECT

public:
    // Connections open at once, in use or idle: enough for the most fetches
    // the prefetcher runs at once. Idle connections beyond the cache's size
    // are closed, the longest unused first.
    static constexpr long MaxConnections = 32;
    static constexpr long MaxCachedConnections = 16;

    explicit PageTransfers(QObject* parent = nullptr);
    ~PageTransfers() override;

    // Routes requests by this factory instead of the application's proxy
    // settings (--proxy or the environment's proxy variables).
    void setProxyFactory(std::unique_ptr<QNetworkProxyFactory> factory);
    // The proxy a request to this address goes through; NoProxy when direct.
    QNetworkProxy proxyFor(const QUrl& address) const;

    // For tests that serve pages from 127.0.0.1 directly: lets requests
    // reach addresses on this machine and its network. No user setting
    // leads here.
    void allowLocalAddressesForTesting() { localAllowed_ = true; }
    bool localAddressesAllowed() const { return localAllowed_; }

private:
    friend class PageRequest;

    struct SocketWatch;

    // The request's transfer runs until it completes (the request hears of
    // it) or is removed.
    void add(CURL* easy, PageRequest& request);
    void remove(CURL* easy);

    static int onSocket(CURL* easy, int socket, int what, void* self, void* socketData);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);
    void watch(int socket, int what);
    void act(int socket, int events);
    void reportCompleted();

    CURLM* multi_ = nullptr;
    QTimer timer_;
    std::unordered_map<int, std::unique_ptr<SocketWatch>> sockets_;
    std::unique_ptr<QNetworkProxyFactory> proxyFactory_;
    bool localAllowed_ = false;
};
