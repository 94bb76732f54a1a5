#pragma once

#include <QNetworkProxy>
#include <QString>
#include <optional>

// The HTTP proxy a proxy address names ("http://host:port" or "host:port"),
// or no value when the address is not usable.
std::optional<QNetworkProxy> proxyFromUrl(const QString& proxyUrl);

// Routes all of the program's traffic: through the given proxy when the
// address is not empty, otherwise as the environment says (http_proxy,
// HTTP_PROXY, https_proxy, no_proxy and the desktop's proxy settings).
// Must run before the first network access or browser profile is created.
// False, with nothing changed, when a given address is not usable.
bool applyProxy(const QString& proxyUrlOrEmpty);
