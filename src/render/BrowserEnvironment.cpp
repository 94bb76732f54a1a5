#include "BrowserEnvironment.h"

#include <QCoreApplication>
#include <QList>
#include <QLoggingCategory>
#include <unistd.h>

void prepareBrowserEnvironment() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    // A page without a view counts as hidden, and hidden pages get their
    // timers throttled: timed redirects would run late.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const QList<QByteArray> needed = {"--disable-background-timer-throttling",
                                      "--disable-renderer-backgrounding"};
    for (const QByteArray& flag : needed) {
        if (!flags.split(' ').contains(flag))
            flags += (flags.isEmpty() ? "" : " ") + flag;
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);

    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    // The browser's start-up report of its graphics set-up means nothing to
    // a user; QT_LOGGING_RULES can still turn it back on.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}
