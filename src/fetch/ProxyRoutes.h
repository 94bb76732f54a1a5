#pragma once

#include <QHash>
#include <QList>
#include <QNetworkProxy>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QNetworkProxyFactory;
class QUrl;

// Which proxy, if any, a connection to an address goes through.
//
// Qt's system proxy configuration (QNetworkProxyFactory::setUseSystemConfiguration,
// libproxy on Linux) may resolve names or fetch a PAC file before it answers,
// which can take as long as the name servers take. Its answers are therefore
// looked up on a worker thread of their own, once per scheme, host and port,
// and kept for the life of this object. A proxy or a factory given to this
// object, or an application proxy, answers at once.
class ProxyRoutes : public QObject {
    Q_OBJECT

public:
    using Found = std::function<void(const QNetworkProxy& proxy)>;

    explicit ProxyRoutes(QObject* parent = nullptr);
    ~ProxyRoutes() override;

    // Routes every address through this proxy, or as this factory says,
    // instead of by the application's proxy settings.
    void setProxy(const QNetworkProxy& proxy) { fixed_ = proxy; }
    void setFactory(std::unique_ptr<QNetworkProxyFactory> factory);

    // Calls `found` with the route once it is known, from the event loop
    // unless it is known now, and only while `context` exists.
    void find(const QUrl& address, QObject* context, Found found);

private:
    // The route to the address when it is known without waiting.
    std::optional<QNetworkProxy> known(const QUrl& address);

    struct Lookups;
    struct Waiter {
        QPointer<QObject> context;
        Found found;
    };

    static void lookUpSystemRoutes(const std::shared_ptr<Lookups>& lookups);
    static QString keyOf(const QUrl& address);
    void answered(const QString& key, const QNetworkProxy& proxy);

    std::optional<QNetworkProxy> fixed_;
    std::unique_ptr<QNetworkProxyFactory> factory_;
    QHash<QString, QNetworkProxy> answers_;
    QHash<QString, QList<Waiter>> waiting_;
    // Shared with the worker thread, which may outlive this object while the
    // system configuration keeps it waiting.
    std::shared_ptr<Lookups> lookups_;
};
