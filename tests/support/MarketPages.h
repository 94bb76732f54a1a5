#pragma once

#include "MarketFaults.h"
#include "MarketServer.h"

#include <QByteArray>
#include <QNetworkProxy>

// Canned answers for the test marketplace, in UTF-8.
namespace marketpages {

inline MarketPage html(const QByteArray& body) {
    MarketPage page;
    page.body = body;
    page.charset = "utf-8";
    return page;
}

inline MarketPage redirect(const QByteArray& location, int status = 302) {
    MarketPage page;
    page.status = status;
    page.headers = {{"Location", location}};
    return page;
}

inline MarketPage fault(MarketFault fault) {
    MarketPage page;
    page = withFault(page, fault);
    return page;
}

inline MarketPage metaRefresh(const QByteArray& target, int seconds = 0) {
    return html("<meta http-equiv=\"refresh\" content=\"" + QByteArray::number(seconds) +
                ";url=" + target + "\"><p>正在跳转</p>");
}

inline MarketPage scriptReplace(const QByteArray& target) {
    return html("<script>location.replace('" + target + "')</script>");
}

inline MarketPage timedScript(const QByteArray& target, int delayMs = 0) {
    return html("<p>正在跳转</p><script>setTimeout(function () { location.href = '" + target +
                "'; }, " + QByteArray::number(delayMs) + ")</script>");
}

// Routes the whole program through the server; must run before the first
// browser page or network access exists.
inline void useAsProxy(const MarketServer& server) {
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), server.port()));
}

} // namespace marketpages
