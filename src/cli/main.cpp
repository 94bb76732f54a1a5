// zembrel-check: runs the link check of the main window without a window,
// one run per address given, and prints the results grid.

#include "AnalysisRun.h"
#include "BrowserEnvironment.h"
#include "ChangeOutput.h"
#include "CheckDocument.h"
#include "CheckOptions.h"
#include "CheckRecorder.h"
#include "CheckServices.h"
#include "CommandLineLanguage.h"
#include "GridOutput.h"
#include "HeadlessWindow.h"
#include "HistoryOutput.h"
#include "InterruptStop.h"
#include "OwnShopPage.h"
#include "PreviousCheck.h"
#include "StandardOutput.h"
#include "StatusOutput.h"
#include "Version.h"

#include <QCoroTask>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int FailureStatus = 1;
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

// What the grid was compared with, and what changed.
struct Comparison {
    // Without changes, the grid was not compared (or --since-last found no
    // earlier check).
    std::optional<QList<GridChange>> changes;
    // --since-last: the check compared with, or null when there was none.
    std::optional<QJsonValue> previous;

    bool withoutPrevious() const { return previous && previous->isNull(); }
};

// The grid and, when comparing, the changes since the previous check.
QByteArray results(const HeadlessWindow& window, CheckOptions::Format format,
                   const Comparison& comparison) {
    const bool styled = supportsStyles(STDOUT_FILENO);
    const QList<GridChange> changes = comparison.changes.value_or(QList<GridChange>());
    const bool compared = comparison.changes || comparison.withoutPrevious();
    switch (format) {
    case CheckOptions::Format::Table: {
        QString out = gridoutput::table(window.grid(), styled);
        if (comparison.withoutPrevious())
            out += changeoutput::tableWithoutPrevious();
        else if (compared)
            out += changeoutput::table(changes, styled);
        return out.toUtf8();
    }
    case CheckOptions::Format::Tsv:
        return (gridoutput::tsv(window.grid()) +
                (compared ? changeoutput::tsv(changes) : QString()))
            .toUtf8();
    case CheckOptions::Format::Json: {
        QJsonObject members;
        if (compared)
            members.insert(QStringLiteral("changes"), changeoutput::json(changes));
        if (comparison.previous)
            members.insert(QStringLiteral("previous"), *comparison.previous);
        return checkdocument::json(window, members);
    }
    }
    return {};
}

QString problemLine(const HistoryProblem& problem) {
    switch (problem.kind) {
    case HistoryProblem::Kind::MovedAside:
        return QStringLiteral("zembrel-check: the history could not be read (%1); it was kept as "
                              "%2 and a new one started")
            .arg(problem.detail, problem.path);
    case HistoryProblem::Kind::Unusable:
        break;
    }
    return QStringLiteral("zembrel-check: cannot use the history %1: %2")
        .arg(problem.path, problem.detail);
}

// --list-history: the recorded checks, of one address when one is given,
// read from an existing history only.
int listHistory(const CheckOptions& options, StandardOutput& output) {
    QList<CheckSummary> checks;
    bool readable = true;
    if (const QString path = CheckHistory::defaultPath(); QFileInfo::exists(path)) {
        CheckHistory history(path);
        checks = history.list(ownshop::normalisedAddress(options.addresses.value(0)));
        while (const std::optional<HistoryProblem> problem = history.takeProblem()) {
            readable = readable && problem->kind != HistoryProblem::Kind::Unusable;
            writeTo(stderr, (problemLine(*problem) + u'\n').toUtf8());
        }
    }
    QByteArray text;
    switch (options.format) {
    case CheckOptions::Format::Table:
        text = historyoutput::table(checks).toUtf8();
        break;
    case CheckOptions::Format::Tsv:
        text = historyoutput::tsv(checks).toUtf8();
        break;
    case CheckOptions::Format::Json:
        text = QJsonDocument(historyoutput::json(checks)).toJson(QJsonDocument::Compact) + '\n';
        break;
    }
    if (!output.write(text)) {
        writeTo(stderr,
                (QStringLiteral("zembrel-check: cannot write the list: ") + output.error() + u'\n')
                    .toUtf8());
        return FailureStatus;
    }
    return readable ? 0 : FailureStatus;
}

// One run per address, one after another on the same window state; false
// when a run was broken off by an error of the program itself.
QCoro::Task<bool> analyseEach(QStringList addresses, HeadlessWindow& window, PageFetcher& fetcher,
                              PageRenderer& renderer) {
    bool completed = true;
    for (const QString& address : addresses) {
        window.setAddressText(address);
        completed = co_await runAnalysis(window, fetcher, renderer) && completed;
    }
    co_return completed;
}

} // namespace

int main(int argc, char* argv[]) {
    StandardOutput output;
    runOffscreenWithoutDisplay();
    prepareBrowserEnvironment();
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zembrel-check"));
    QCoreApplication::setApplicationVersion(versionText());
    installCommandLineLanguage(app);

    const ParsedCommandLine command = parseCommandLine(app.arguments(), ::isatty(STDOUT_FILENO));
    switch (command.outcome) {
    case ParsedCommandLine::Outcome::Help:
    case ParsedCommandLine::Outcome::Version:
        writeTo(stdout, command.text.toUtf8());
        return 0;
    case ParsedCommandLine::Outcome::UsageError:
        writeTo(stderr, usageErrorText(QStringLiteral("zembrel-check"), command.text).toUtf8());
        return UsageErrorStatus;
    case ParsedCommandLine::Outcome::Run:
        break;
    }
    const CheckOptions& options = command.options;
    if (options.listHistory)
        return listHistory(options, output);

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
        return FailureStatus;
    }

    HeadlessWindow window;
    StatusOutput status(window.grid(), ::isatty(STDERR_FILENO));
    QObject::connect(&window, &HeadlessWindow::messageShown, &status, &StatusOutput::writeMessage);
    QObject::connect(&window, &HeadlessWindow::inspectingRow, &status, &StatusOutput::showRow);
    const InterruptStop interrupt([&window] { window.pressStop(); });

    // Every run that asked for its own page is recorded as it ends; with
    // --since-last, it is compared with the latest earlier record of its
    // address. The last run is what the comparison sees: one that never
    // listed its friend links left the grid of the address before it.
    CheckHistory history(CheckHistory::defaultPath());
    CheckRecorder recorder(
        history,
        options.sinceLast ? CheckRecorder::Comparing::EveryRun : CheckRecorder::Comparing::Never,
        options.noHistory ? CheckRecorder::Recording::Off : CheckRecorder::Recording::On);
    RecordedRun lastRun;
    QObject::connect(&window, &HeadlessWindow::analysisEnded, [&](const RunOutcome& outcome) {
        const ResultGrid& grid = window.grid();
        lastRun = recorder.runEnded(recordOf(grid.cells(), grid.ForeColor(), window.addressText(),
                                             outcome, QDateTime::currentDateTime()));
        while (const std::optional<HistoryProblem> problem = history.takeProblem())
            status.writeLine(problemLine(*problem));
    });

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
    Comparison comparison;
    if (previous)
        comparison.changes = compareGrids(*previous, lastRun.run.checkedGrid());
    if (options.sinceLast && lastRun.previous) {
        comparison.changes = lastRun.changes;
        comparison.previous = historyoutput::previous(*lastRun.previous);
    } else if (options.sinceLast) {
        comparison.previous = QJsonValue(QJsonValue::Null);
    }
    if (!output.write(results(window, options.format, comparison))) {
        writeTo(stderr, (QStringLiteral("zembrel-check: cannot write the results: ") +
                         output.error() + u'\n')
                            .toUtf8());
        return FailureStatus;
    }
    // The run's own message has named the problem.
    if (!completed)
        return FailureStatus;
    const QList<GridChange> changes = comparison.changes.value_or(QList<GridChange>());
    const bool dropped =
        std::any_of(changes.begin(), changes.end(), [](const GridChange& c) { return c.isDrop(); });
    return options.failOnDrop && dropped ? CheckOptions::DropStatus : 0;
}
