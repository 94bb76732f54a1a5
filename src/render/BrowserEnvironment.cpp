#include "BrowserEnvironment.h"

#include <QCoreApplication>
#include <QList>
#include <QLoggingCategory>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <mutex>
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

// What the browser says when it starts without its sandbox.
const QString SandboxOff = QStringLiteral("Sandboxing disabled by user.");

// Notes of a start without a display, a GPU or a runtime folder, which
// change nothing in what the program does.
bool isStartUpNote(const QString& message) {
    return message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")) ||
           message.startsWith(QLatin1String("WebEngineContext used before "
                                            "QtWebEngineCore::initialize() or OpenGL context "
                                            "creation failed.")) ||
           message.startsWith(QLatin1String("No suitable graphics backend found"));
}

QtMessageHandler passOn = nullptr;

// Called from any thread.
void filterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool note = type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg;
    if (note && isStartUpNote(message))
        return;
    // As root the program turned the sandbox off, not the user, and said so.
    if (note && message == SandboxOff && geteuid() == 0)
        return;
    passOn(type, context, message);
}

} // namespace

void prepareBrowserEnvironment() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    // A page without a view counts as hidden, and hidden pages get their
    // timers throttled: timed redirects would run late. WebRTC's UDP would
    // pass by the proxy that checks every address the browser connects to,
    // so a page's script could send it to this machine or the local network;
    // nothing read from a page needs WebRTC.
    addBrowserFlags({"--disable-background-timer-throttling", "--disable-renderer-backgrounding",
                     "--force-webrtc-ip-handling-policy=disable_non_proxied_udp"});

    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    // The browser's start-up report of its graphics set-up means nothing to
    // a user; QT_LOGGING_RULES can still turn it back on.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    static std::once_flag once;
    std::call_once(once, [] {
        passOn = qInstallMessageHandler(filterMessages);
        // Said before anything else is written, and never into a file or a
        // mail from cron.
        if (geteuid() == 0 && ::isatty(STDERR_FILENO))
            std::fprintf(stderr,
                         "%s: running as root, the built-in browser runs without its "
                         "sandbox\n",
                         program_invocation_short_name);
    });
}

void routeBrowserThrough(const QString& proxyUrl) {
    // Without "<-loopback>" the browser would reach addresses on this
    // machine directly, bypassing the proxy.
    addBrowserFlags({"--proxy-server=" + proxyUrl.toLatin1(), "--proxy-bypass-list=<-loopback>"});
}
