#include "ProxyRoutes.h"

#include <QNetworkProxyFactory>
#include <QUrl>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// The system look-ups waiting for the worker thread, and where it sends
// their answers: nowhere once the routes are gone.
struct ProxyRoutes::Lookups {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<QString, QUrl>> queue;
    ProxyRoutes* receiver = nullptr;
    bool closed = false;
    bool working = false;
};

namespace {

QNetworkProxy firstOf(const QList<QNetworkProxy>& proxies) {
    return proxies.value(0, QNetworkProxy(QNetworkProxy::NoProxy));
}

} // namespace

// Answers the queued look-ups one after another until the routes close. The
// thread is never joined: a look-up that hangs must not hold up the program.
void ProxyRoutes::lookUpSystemRoutes(const std::shared_ptr<Lookups>& lookups) {
    std::unique_lock lock(lookups->mutex);
    for (;;) {
        lookups->wake.wait(lock, [&] { return lookups->closed || !lookups->queue.empty(); });
        if (lookups->closed)
            return;
        const auto [key, address] = lookups->queue.front();
        lookups->queue.pop_front();
        lock.unlock();
        const QNetworkProxy proxy =
            firstOf(QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(address)));
        lock.lock();
        // Posted while the routes cannot go away; a posted call dies with them.
        if (ProxyRoutes* const receiver = lookups->receiver)
            QMetaObject::invokeMethod(
                receiver, [receiver, key, proxy] { receiver->answered(key, proxy); },
                Qt::QueuedConnection);
    }
}

ProxyRoutes::ProxyRoutes(QObject* parent)
    : QObject(parent)
    , lookups_(std::make_shared<Lookups>()) {
    lookups_->receiver = this;
}

ProxyRoutes::~ProxyRoutes() {
    const std::lock_guard lock(lookups_->mutex);
    lookups_->receiver = nullptr;
    lookups_->closed = true;
    lookups_->wake.notify_all();
}

void ProxyRoutes::setFactory(std::unique_ptr<QNetworkProxyFactory> factory) {
    factory_ = std::move(factory);
}

QString ProxyRoutes::keyOf(const QUrl& address) {
    return address.scheme() + QLatin1Char(' ') + address.host() + QLatin1Char(' ') +
           QString::number(address.port());
}

std::optional<QNetworkProxy> ProxyRoutes::known(const QUrl& address) {
    if (fixed_)
        return fixed_;
    const QNetworkProxyQuery query(address);
    if (factory_)
        return firstOf(factory_->queryProxy(query));
    if (!QNetworkProxyFactory::usesSystemConfiguration())
        return firstOf(QNetworkProxyFactory::proxyForQuery(query));
    const auto answer = answers_.constFind(keyOf(address));
    if (answer == answers_.constEnd())
        return std::nullopt;
    return *answer;
}

void ProxyRoutes::find(const QUrl& address, QObject* context, Found found) {
    if (const std::optional<QNetworkProxy> proxy = known(address)) {
        found(*proxy);
        return;
    }
    const QString key = keyOf(address);
    QList<Waiter>& waiters = waiting_[key];
    waiters.append({context, std::move(found)});
    if (waiters.size() > 1)
        return; // already being looked up
    const std::lock_guard lock(lookups_->mutex);
    lookups_->queue.emplace_back(key, address);
    lookups_->wake.notify_one();
    if (!lookups_->working) {
        lookups_->working = true;
        std::thread(&ProxyRoutes::lookUpSystemRoutes, lookups_).detach();
    }
}

void ProxyRoutes::answered(const QString& key, const QNetworkProxy& proxy) {
    answers_.insert(key, proxy);
    // A waiter may look up further routes: the list is taken first.
    const QList<Waiter> waiters = waiting_.take(key);
    for (const Waiter& waiter : waiters) {
        if (waiter.context)
            waiter.found(proxy);
    }
}
