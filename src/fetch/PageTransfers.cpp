#include "PageTransfers.h"

#include "PageRequest.h"

#include <QNetworkProxyFactory>
#include <QSocketNotifier>
#include <algorithm>
#include <climits>
#include <curl/curl.h>

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

PageTransfers::PageTransfers(QObject* parent)
    : QObject(parent) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &PageTransfers::onSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &PageTransfers::onTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_MAX_TOTAL_CONNECTIONS, MaxConnections);
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, MaxCachedConnections);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
}

PageTransfers::~PageTransfers() {
    curl_multi_cleanup(multi_); // closes the cached connections
    sockets_.clear();
    curl_global_cleanup();
}

void PageTransfers::setProxyFactory(std::unique_ptr<QNetworkProxyFactory> factory) {
    proxyFactory_ = std::move(factory);
}

QNetworkProxy PageTransfers::proxyFor(const QUrl& address) const {
    const QNetworkProxyQuery query(address);
    const QList<QNetworkProxy> proxies = proxyFactory_ ? proxyFactory_->queryProxy(query)
                                                       : QNetworkProxyFactory::proxyForQuery(query);
    return proxies.value(0, QNetworkProxy(QNetworkProxy::NoProxy));
}

void PageTransfers::add(CURL* easy, PageRequest& request) {
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &request);
    curl_multi_add_handle(multi_, easy);
}

void PageTransfers::remove(CURL* easy) {
    curl_multi_remove_handle(multi_, easy);
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
    curl_multi_socket_action(multi_, socket, events, &running);
    reportCompleted();
}

// Tells each request whose transfer has ended. A request may start, end or
// drop other transfers meanwhile: messages are read one at a time, and a
// removed transfer's message goes with it.
void PageTransfers::reportCompleted() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* const easy = message->easy_handle;
        const CURLcode result = message->data.result;
        PageRequest* request = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &request);
        request->transferEnded(result);
    }
}
