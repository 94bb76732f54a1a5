#include "PageTransfers.h"

#include <QHostAddress>
#include <QNetworkProxyFactory>
#include <QSocketNotifier>
#include <algorithm>
#include <climits>
#include <curl/curl.h>
#include <sys/socket.h>
#include <vector>

// A socket's notifiers. They may be dropped while one of them is
// signalling, so they go with deleteLater.
struct PageTransfers::SocketWatch {
    QSocketNotifier* read = nullptr;
    QSocketNotifier* write = nullptr;

    ~SocketWatch() {
        for (QSocketNotifier* notifier : {read, write}) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
};

PageTransfers::PageTransfers(AddressPolicy policy, QObject* parent)
    : QObject(parent)
    , policy_(std::move(policy)) {
    curlReady_ = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    multi_ = curlReady_ ? curl_multi_init() : nullptr;
    const bool set =
        multi_ &&
        curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &PageTransfers::onSocket) == CURLM_OK &&
        curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this) == CURLM_OK &&
        curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &PageTransfers::onTimer) == CURLM_OK &&
        curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this) == CURLM_OK &&
        curl_multi_setopt(multi_, CURLMOPT_MAX_TOTAL_CONNECTIONS, MaxConnections) == CURLM_OK &&
        curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, MaxCachedConnections) == CURLM_OK;
    if (multi_ && !set) {
        curl_multi_cleanup(multi_);
        multi_ = nullptr;
    }
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
}

PageTransfers::~PageTransfers() {
    Q_ASSERT_X(attached_.empty(), "~PageTransfers", "a transfer outlives the transfers");
    if (multi_)
        curl_multi_cleanup(multi_); // closes the cached connections
    sockets_.clear();
    if (curlReady_)
        curl_global_cleanup();
}

bool PageTransfers::mayAsk(const QUrl& address) const {
    const std::optional<QHostAddress> literal = literalHostAddress(address);
    return !literal || mayConnect(*literal);
}

void PageTransfers::setProxyFactory(std::unique_ptr<QNetworkProxyFactory> factory) {
    routes_.setFactory(std::move(factory));
}

bool PageTransfers::add(CURL* easy, Transfer& transfer) {
    if (!multi_ || curl_multi_add_handle(multi_, easy) != CURLM_OK)
        return false;
    attached_[easy] = &transfer;
    return true;
}

void PageTransfers::remove(CURL* easy) {
    if (attached_.erase(easy) == 0)
        return;
    // Cannot fail for a handle that was added.
    [[maybe_unused]] const CURLMcode removed = curl_multi_remove_handle(multi_, easy);
    Q_ASSERT(removed == CURLM_OK);
}

bool PageTransfers::guardSockets(CURL* easy, SocketGuard& guard) const {
    guard.transfers = this;
    // No exception may pass through libcurl: a check that cannot be made
    // refuses the connection.
    const curl_opensocket_callback open = [](void* data, curlsocktype, curl_sockaddr* address) {
        auto& guard = *static_cast<SocketGuard*>(data);
        try {
            if (const QHostAddress peer(&address->addr);
                guard.direct && !guard.transfers->mayConnect(peer)) {
                guard.refused = peer.toString();
                return CURL_SOCKET_BAD;
            }
        } catch (...) {
            return CURL_SOCKET_BAD;
        }
        return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    };
    return curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, open) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &guard) == CURLE_OK;
}

int PageTransfers::onSocket(CURL*, int socket, int what, void* self, void*) {
    static_cast<PageTransfers*>(self)->watch(socket, what);
    return 0;
}

int PageTransfers::onTimer(CURLM*, long timeoutMs, void* self) {
    QTimer& timer = static_cast<PageTransfers*>(self)->timer_;
    if (timeoutMs < 0)
        timer.stop();
    else
        timer.start(int(std::min(timeoutMs, long(INT_MAX))));
    return 0;
}

// Keeps the socket's notifiers in step with what libcurl waits for on it.
void PageTransfers::watch(int socket, int what) {
    if (what == CURL_POLL_REMOVE) {
        sockets_.erase(socket);
        return;
    }
    std::unique_ptr<SocketWatch>& watch = sockets_[socket];
    if (!watch) {
        watch = std::make_unique<SocketWatch>();
        watch->read = new QSocketNotifier(socket, QSocketNotifier::Read, this);
        watch->write = new QSocketNotifier(socket, QSocketNotifier::Write, this);
        connect(watch->read, &QSocketNotifier::activated, this,
                [this, socket] { act(socket, CURL_CSELECT_IN); });
        connect(watch->write, &QSocketNotifier::activated, this,
                [this, socket] { act(socket, CURL_CSELECT_OUT); });
    }
    watch->read->setEnabled(what == CURL_POLL_IN || what == CURL_POLL_INOUT);
    watch->write->setEnabled(what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
}

void PageTransfers::act(int socket, int events) {
    int running = 0;
    if (curl_multi_socket_action(multi_, socket, events, &running) != CURLM_OK) {
        failAttached();
        return;
    }
    reportCompleted();
}

// Tells each transfer that has ended. A transfer may start, end or drop
// others meanwhile: messages are read one at a time, and a removed
// transfer's message goes with it.
void PageTransfers::reportCompleted() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        const auto attached = attached_.find(message->easy_handle);
        if (attached != attached_.end())
            attached->second->transferEnded(message->data.result);
    }
}

// The multi handle failed: every transfer attached to it ends as failed.
// Each is looked up again before it is told, as the transfers told before
// it may have removed it.
void PageTransfers::failAttached() {
    std::vector<CURL*> failing;
    for (const auto& [easy, transfer] : attached_)
        failing.push_back(easy);
    for (CURL* easy : failing) {
        const auto attached = attached_.find(easy);
        if (attached == attached_.end())
            continue;
        Transfer* const transfer = attached->second;
        remove(easy);
        transfer->transferEnded(CURLE_RECV_ERROR);
    }
}
