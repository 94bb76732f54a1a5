#include "BrowserEnvironment.h"

#include <QCoreApplication>
#include <QList>
#include <QLoggingCategory>
#include <unistd.h>

namespace {

// Adds the flags to the browser's command line, each unless given already.
void addBrowserFlags(const QList<QByteArray>& needed) {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const QByteArray& flag : needed) {
        if (!flags.split(' ').contains(flag))
            flags += (flags.isEmpty() ? "" : " ") + flag;
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

} // namespace

void prepareBrowserEnvironment() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    // A page without a view counts as hidden, and hidden pages get their
    // timers throttled: timed redirects would run late.
    addBrowserFlags({"--disable-background-timer-throttling", "--disable-renderer-backgrounding"});

    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    // The browser's start-up report of its graphics set-up means nothing to
    // a user; QT_LOGGING_RULES can still turn it back on.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

void routeBrowserThrough(const QString& proxyUrl) {
    // Without "<-loopback>" the browser would reach addresses on this
    // machine directly, bypassing the proxy.
    addBrowserFlags({"--proxy-server=" + proxyUrl.toLatin1(), "--proxy-bypass-list=<-loopback>"});
}
