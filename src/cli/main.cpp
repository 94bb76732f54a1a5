// zembrel-check: runs the link check of the main window without a window,
// one run per address given, and prints the results grid.

#include "AnalysisRun.h"
#include "BrowserEnvironment.h"
#include "CheckOptions.h"
#include "DemoMarketplace.h"
#include "GridOutput.h"
#include "HeadlessWindow.h"
#include "InterruptStop.h"
#include "MarketServer.h"
#include "PrefetchingPageFetcher.h"
#include "ProxySetup.h"
#include "StandardOutput.h"
#include "StatusOutput.h"
#include "WebPageRenderer.h"

#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int UsageErrorStatus = 2;

// Without a display the program still runs, on the offscreen platform.
void runOffscreenWithoutDisplay() {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool supportsStyles(int fd) {
    return ::isatty(fd) && qgetenv("TERM") != "dumb" && !qEnvironmentVariableIsSet("NO_COLOR");
}

void writeTo(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QByteArray results(const HeadlessWindow& window, CheckOptions::Format format) {
    switch (format) {
    case CheckOptions::Format::Table:
        return gridoutput::table(window.grid(), supportsStyles(STDOUT_FILENO)).toUtf8();
    case CheckOptions::Format::Tsv:
        return gridoutput::tsv(window.grid()).toUtf8();
    case CheckOptions::Format::Json:
        return gridoutput::json(window);
    }
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    StandardOutput output;
    runOffscreenWithoutDisplay();
    prepareBrowserEnvironment();
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zembrel-check"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZEMBREL_VERSION));

    const ParsedCommandLine command = parseCommandLine(app.arguments(), ::isatty(STDOUT_FILENO));
    switch (command.outcome) {
    case ParsedCommandLine::Outcome::Help:
    case ParsedCommandLine::Outcome::Version:
        writeTo(stdout, command.text.toUtf8());
        return 0;
    case ParsedCommandLine::Outcome::UsageError:
        writeTo(stderr, (QStringLiteral("zembrel-check: ") + command.text +
                         QStringLiteral("\nTry 'zembrel-check --help' for more information.\n"))
                            .toUtf8());
        return UsageErrorStatus;
    case ParsedCommandLine::Outcome::Run:
        break;
    }
    const CheckOptions& options = command.options;

    // Before any network access or browser page exists.
    if (options.demo) {
        const MarketServer* demo = startDemoMarketplace(&app);
        if (!demo) {
            writeTo(stderr, "zembrel-check: cannot start the demo marketplace\n");
            return 1;
        }
        applyProxy(demo->proxyUrl());
    } else {
        applyProxy(options.proxy);
    }

    HeadlessWindow window;
    StatusOutput status(window.grid(), ::isatty(STDERR_FILENO));
    QObject::connect(&window, &HeadlessWindow::messageShown, &status, &StatusOutput::writeMessage);
    const InterruptStop interrupt([&window] { window.pressStop(); });

    QNetworkAccessManager network;
    PrefetchingPageFetcher fetcher(network, options.timeout, options.jobs);
    WebPageRenderer renderer(options.timeout);

    for (const QString& address : options.addresses) {
        window.setAddressText(address);
        runAnalysis(window, fetcher, renderer);
    }

    status.clearProgress();
    if (!output.write(results(window, options.format))) {
        writeTo(stderr, (QStringLiteral("zembrel-check: cannot write the results: ") +
                         output.error() + u'\n')
                            .toUtf8());
        return 1;
    }
    return 0;
}
