// zembrel-check: runs the link check of the main window without a window,
// one run per address given, and prints the results grid.

#include "AnalysisRun.h"
#include "BrowserEnvironment.h"
#include "ChangeOutput.h"
#include "CheckDocument.h"
#include "CheckOptions.h"
#include "CheckServices.h"
#include "GridText.h"
#include "HeadlessWindow.h"
#include "InterruptStop.h"
#include "PreviousCheck.h"
#include "StandardOutput.h"
#include "StatusOutput.h"
#include "Version.h"

#include <QCoroTask>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>
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

// The grid and, when comparing, the changes since the previous check.
QByteArray results(const HeadlessWindow& window, CheckOptions::Format format,
                   const std::optional<QList<GridChange>>& changes) {
    const bool styled = supportsStyles(STDOUT_FILENO);
    switch (format) {
    case CheckOptions::Format::Table:
        return (gridtext::table(window.grid(), styled) +
                (changes ? changeoutput::table(*changes, styled) : QString()))
            .toUtf8();
    case CheckOptions::Format::Tsv:
        return (gridtext::tsv(window.grid()) + (changes ? changeoutput::tsv(*changes) : QString()))
            .toUtf8();
    case CheckOptions::Format::Json:
        return checkdocument::json(window, changes ? std::optional(changeoutput::json(*changes))
                                                   : std::nullopt);
    }
    return {};
}

// One run per address, one after another on the same window state; false
// when a run was broken off by an error of the program itself.
QCoro::Task<bool> analyseEach(const QStringList& addresses, HeadlessWindow& window,
                              PageFetcher& fetcher, PageRenderer& renderer) {
    bool completed = true;
    for (const QString& address : addresses) {
        window.setAddressText(address);
        completed = co_await runAnalysis(window, fetcher, renderer) && completed;
    }
    co_return completed;
}

// This check's final grid and messages, as compared with the previous one.
CheckedGrid thisCheck(const HeadlessWindow& window) {
    const ResultGrid& grid = window.grid();
    QList<QStringList> cellTexts;
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        QStringList texts;
        for (qint32 col = 0; col < grid.Cols(); ++col)
            texts.append(grid.cell(row, col).text);
        cellTexts.append(texts);
    }
    QStringList messages;
    for (const HeadlessWindow::Message& message : window.messages())
        messages.append(message.text);
    return checkedGrid(cellTexts, messages);
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

    // A broken PREVIOUS is found before anything is fetched.
    std::optional<CheckedGrid> previous;
    if (options.compare) {
        PreviousCheck read = readPreviousCheck(*options.compare);
        if (!read.grid) {
            writeTo(stderr, QStringLiteral("zembrel-check: %1: %2\n")
                                .arg(*options.compare, read.error)
                                .toUtf8());
            return UsageErrorStatus;
        }
        previous = std::move(read.grid);
    }

    const std::unique_ptr<CheckServices> services = CheckServices::start(
        {options.demo, options.proxy}, {options.timeout, options.jobs, options.renderJobs}, &app);
    if (!services) {
        writeTo(stderr, "zembrel-check: cannot start the page services\n");
        return 1;
    }

    HeadlessWindow window;
    StatusOutput status(window.grid(), ::isatty(STDERR_FILENO));
    QObject::connect(&window, &HeadlessWindow::messageShown, &status, &StatusOutput::writeMessage);
    QObject::connect(&window, &HeadlessWindow::inspectingRow, &status, &StatusOutput::showRow);
    const InterruptStop interrupt([&window] { window.pressStop(); });

    // The runs start once the event loop runs, and leave it when the last
    // one has ended.
    bool completed = false;
    QTimer::singleShot(0, &app, [&] {
        QCoro::connect(
            analyseEach(options.addresses, window, services->fetcher(), services->renderer()), &app,
            [&completed](bool allCompleted) {
                completed = allCompleted;
                QCoreApplication::quit();
            });
    });
    app.exec();

    status.clearProgress();
    std::optional<QList<GridChange>> changes;
    if (previous)
        changes = compareGrids(*previous, thisCheck(window));
    if (!output.write(results(window, options.format, changes))) {
        writeTo(stderr, (QStringLiteral("zembrel-check: cannot write the results: ") +
                         output.error() + u'\n')
                            .toUtf8());
        return 1;
    }
    // The run's own message has named the problem.
    if (!completed)
        return 1;
    const bool dropped = changes && std::any_of(changes->begin(), changes->end(),
                                                [](const GridChange& c) { return c.isDrop(); });
    return options.failOnDrop && dropped ? CheckOptions::DropStatus : 0;
}
