#pragma once

#include <QNetworkProxy>
#include <QString>
#include <optional>

// The HTTP proxy a proxy address names ("http://host:port" or "host:port"),
// or no value when the address is not usable.
std::optional<QNetworkProxy> proxyFromUrl(const QString& proxyUrl);
