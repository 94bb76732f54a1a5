#include "ProxySetup.h"

#include "WebAddress.h"

#include <QUrl>

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
