// zembrel: the main window. `--demo` runs it against the built-in demo
// marketplace with the demo shop's address in the address box;
// `--show-changes ADDRESS` opens it on ADDRESS with the changes its latest
// check found (what a click on the daily check's notification opens).

#include "BrowserEnvironment.h"
#include "CheckServices.h"
#include "ChineseTranslations.h"
#include "CommandLineLanguage.h"
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

const QString ProgramName = QStringLiteral("zembrel");

// The window's command line: --demo, --proxy URL, --show-changes ADDRESS,
// --help and --version.
struct CommandLineOptions {
    QCommandLineParser parser;
    QCommandLineOption demo{
        QStringLiteral("demo"),
        CommandLine::tr("Open with the demo shop, served by the built-in demo marketplace.")};
    QCommandLineOption proxy{QStringLiteral("proxy"),
                             CommandLine::tr("Fetch all pages through this HTTP proxy."),
                             QStringLiteral("URL")};
    QCommandLineOption showChanges{
        QStringLiteral("show-changes"),
        CommandLine::tr("Open with ADDRESS in the address box and list the changes its latest "
                        "check found since the check before it."),
        CommandLine::tr("ADDRESS")};

    CommandLineOptions() {
        parser.setApplicationDescription(
            CommandLine::tr("Checks which shops in a shop's friend-link block link back to it."));
        parser.addOptions({demo, proxy, showChanges});
        parser.addHelpOption();
        parser.addVersionOption();
    }
};

void setUpCommandLine(QCoreApplication& app) {
    QCoreApplication::setApplicationName(QStringLiteral("Zembrel"));
    QCoreApplication::setApplicationVersion(versionText());
    installCommandLineLanguage(app);
}

// Help and version need no display, so they are answered before the
// window's application object, which needs one, exists. Everything else
// waits for that object, which takes Qt's own options off the command line.
void answerHelpOrVersion(int& argc, char** argv) {
    QCoreApplication app(argc, argv);
    setUpCommandLine(app);
    CommandLineOptions options;
    options.parser.parse(QCoreApplication::arguments());
    if (options.parser.isSet(QStringLiteral("help")) ||
        options.parser.isSet(QStringLiteral("help-all")))
        options.parser.showHelp(0);
    if (options.parser.isSet(QStringLiteral("version"))) {
        std::fputs(qPrintable(ProgramName + u' ' + versionText() + u'\n'), stdout);
        std::exit(0);
    }
}

[[noreturn]] void exitWithUsageError(const QString& text) {
    std::fputs(qPrintable(usageErrorText(ProgramName, text)), stderr);
    std::exit(2);
}

struct WindowStart {
    TrafficRoute route;
    // The address whose latest changes are listed at once.
    std::optional<QString> showChanges;
};

// Exits with a usage message on a bad command line.
WindowStart parseOptions() {
    CommandLineOptions options;
    if (!options.parser.parse(QCoreApplication::arguments()))
        exitWithUsageError(options.parser.errorText());
    WindowStart start{{options.parser.isSet(options.demo), options.parser.value(options.proxy)},
                      std::nullopt};
    if (const std::optional<QString> error = routeError(start.route))
        exitWithUsageError(*error);
    if (options.parser.isSet(options.showChanges))
        start.showChanges = options.parser.value(options.showChanges);
    return start;
}

} // namespace

int main(int argc, char* argv[]) {
    answerHelpOrVersion(argc, argv);
    prepareBrowserEnvironment();
    QApplication app(argc, argv);
    setUpCommandLine(app);
    const WindowStart start = parseOptions();
    // The window's texts are Chinese whatever the locale; so are Qt's.
    installChineseTranslations(app);

    const std::unique_ptr<CheckServices> services = CheckServices::start(start.route, {}, &app);
    if (!services) {
        QMessageBox::critical(
            nullptr, QStringLiteral("Zembrel"),
            QStringLiteral("无法启动访问网页所需的本机服务（内置浏览器的代理或演示市场）。"));
        return 1;
    }
    Form1 window(services->fetcher(), services->renderer());
    if (start.route.demo)
        window.setAddressText(DemoShopAddress);
    window.show();
    // Records every run; the file is opened when the first run ends.
    WindowHistory history(window, CheckHistory::defaultPath());
    if (start.showChanges) {
        window.setAddressText(*start.showChanges);
        history.showLatestChanges();
    }
    return app.exec();
}
