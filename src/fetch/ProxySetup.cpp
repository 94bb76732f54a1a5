#include "ProxySetup.h"

#include "WebAddress.h"

#include <QNetworkProxyFactory>

namespace {

constexpr int DefaultProxyPort = 8080;

} // namespace

std::optional<QNetworkProxy> proxyFromUrl(const QString& proxyUrl) {
    const QUrl url = webAddress(proxyUrl);
    if (url.isEmpty() || url.scheme() != QLatin1String("http"))
        return std::nullopt;
    return QNetworkProxy(QNetworkProxy::HttpProxy, url.host(), quint16(url.port(DefaultProxyPort)),
                         url.userName(), url.password());
}

bool applyProxy(const QString& proxyUrlOrEmpty) {
    if (proxyUrlOrEmpty.isEmpty()) {
        // Qt's system configuration reads the proxy variables, no_proxy included.
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        return true;
    }
    const std::optional<QNetworkProxy> proxy = proxyFromUrl(proxyUrlOrEmpty);
    if (!proxy)
        return false;
    QNetworkProxy::setApplicationProxy(*proxy);
    return true;
}
