// zembrel: the main window. `--demo` runs it against the built-in demo
// marketplace with the demo shop's address in the address box.

#include "BrowserEnvironment.h"
#include "ChineseTranslations.h"
#include "DemoMarketplace.h"
#include "Form1.h"
#include "MarketServer.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "ProxySetup.h"
#include "Version.h"
#include "WebPageRenderer.h"

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

struct AppOptions {
    bool demo = false;
    QString proxy;
};

// Exits with a usage message on a bad command line.
AppOptions parseOptions(const QApplication& app) {
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

    AppOptions options{parser.isSet(demoOption), parser.value(proxyOption)};
    if (options.demo && !options.proxy.isEmpty())
        exitWithUsageError(QStringLiteral("--demo and --proxy cannot be used together."));
    if (!options.proxy.isEmpty() && !proxyFromUrl(options.proxy))
        exitWithUsageError(QStringLiteral("Not an HTTP proxy address: ") + options.proxy);
    return options;
}

} // namespace

int main(int argc, char* argv[]) {
    prepareBrowserEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zembrel"));
    QApplication::setApplicationVersion(QStringLiteral(ZEMBREL_VERSION));
    const AppOptions options = parseOptions(app);
    // After the command line, whose help and errors stay in English.
    installChineseTranslations(app);

    // Traffic is routed before the first network access or browser page.
    if (options.demo) {
        const MarketServer* demo = startDemoMarketplace(&app);
        if (!demo) {
            QMessageBox::critical(nullptr, QStringLiteral("Zembrel"),
                                  QStringLiteral("无法启动内置演示市场。"));
            return 1;
        }
        applyProxy(demo->proxyUrl());
    } else {
        applyProxy(options.proxy);
    }

    PageTransfers transfers;
    PrefetchingPageFetcher fetcher(transfers);
    WebPageRenderer renderer;
    Form1 window(fetcher, renderer);
    if (options.demo)
        window.setAddressText(DemoShopAddress);
    window.show();
    return app.exec();
}
