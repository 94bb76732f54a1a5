// zembrel: the main window. `--demo` runs it against the built-in demo
// marketplace with the demo shop's address in the address box.

#include "BrowserEnvironment.h"
#include "CheckServices.h"
#include "ChineseTranslations.h"
#include "DemoMarketplace.h"
#include "Form1.h"
#include "Version.h"
#include "WindowHistory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void exitWithUsageError(const QString& text) {
    std::fputs(qPrintable(QStringLiteral("zembrel: ") + text + u'\n'), stderr);
    std::exit(2);
}

// Exits with a usage message on a bad command line.
TrafficRoute parseOptions(const QApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Checks which shops in a shop's friend-link block link back to it."));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Open with the demo shop, served by the built-in demo marketplace."));
    const QCommandLineOption proxyOption(QStringLiteral("proxy"),
                                         QStringLiteral("Fetch all pages through this HTTP proxy."),
                                         QStringLiteral("URL"));
    parser.addOptions({demoOption, proxyOption});
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    const TrafficRoute route{parser.isSet(demoOption), parser.value(proxyOption)};
    if (const std::optional<QString> error = routeError(route))
        exitWithUsageError(*error);
    return route;
}

} // namespace

int main(int argc, char* argv[]) {
    prepareBrowserEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zembrel"));
    QApplication::setApplicationVersion(QStringLiteral(ZEMBREL_VERSION));
    const TrafficRoute route = parseOptions(app);
    // After the command line, whose help and errors stay in English.
    installChineseTranslations(app);

    const std::unique_ptr<CheckServices> services = CheckServices::start(route, {}, &app);
    if (!services) {
        QMessageBox::critical(nullptr, QStringLiteral("Zembrel"),
                              QStringLiteral("无法启动内置演示市场。"));
        return 1;
    }
    Form1 window(services->fetcher(), services->renderer());
    if (route.demo)
        window.setAddressText(DemoShopAddress);
    window.show();
    // Records every run; the file is opened when the first run ends.
    WindowHistory history(window, CheckHistory::defaultPath());
    return app.exec();
}
