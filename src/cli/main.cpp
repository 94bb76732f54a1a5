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
#include "DropNotification.h"
#include "DroppedPartners.h"
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

// Writes `bytes` to standard output; false, with the reason on standard
// error, when they could not be written.
bool writeOut(StandardOutput& output, const QByteArray& bytes, const QString& what) {
    if (output.write(bytes))
        return true;
    writeTo(stderr, (QStringLiteral("zembrel-check: cannot write the %1: ").arg(what) +
                     output.error() + u'\n')
                        .toUtf8());
    return false;
}

// Help, the version or a usage error: the program's answer without a check.
int answer(const ParsedCommandLine& command) {
    if (command.outcome == ParsedCommandLine::Outcome::UsageError) {
        writeTo(stderr, usageErrorText(QStringLiteral("zembrel-check"), command.text).toUtf8());
        return UsageErrorStatus;
    }
    writeTo(stdout, command.text.toUtf8());
    return 0;
}

// What the grid was compared with, and what changed.
struct Comparison {
    // Without changes, the grid was not compared (or --since-last found no
    // earlier check).
    std::optional<QList<GridChange>> changes;
    // --since-last: the check compared with, or null when there was none,
    // and when it ended.
    std::optional<QJsonValue> previous;
    QDateTime previousEnded;

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
            out += changeoutput::table(changes, styled, comparison.previousEnded);
        return out.toUtf8();
    }
    case CheckOptions::Format::Tsv:
        return (gridoutput::tsv(window.grid()) +
                (compared ? changeoutput::tsv(changes, comparison.previousEnded) : QString()))
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
    if (!writeOut(output, text, QStringLiteral("list")))
        return FailureStatus;
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

// --compare: the earlier check in PREVIOUS; nothing, with the reason on
// standard error, when the file is broken or checked another address than
// `address`, the one this check's last run is for.
std::optional<CheckedGrid> readPrevious(const QString& path, const QString& address) {
    PreviousCheck read = readPreviousCheck(path);
    if (read.grid && read.address && *read.address != address)
        read = {std::nullopt,
                QStringLiteral("its last check was of %1, not of %2").arg(*read.address, address),
                std::nullopt};
    if (!read.grid)
        writeTo(stderr, QStringLiteral("zembrel-check: %1: %2\n").arg(path, read.error).toUtf8());
    return std::move(read.grid);
}

// How the checks went: whether every run completed, and the last run as
// the recorder saw it.
struct Checks {
    bool completed = false;
    RecordedRun lastRun;
};

// One run per address. Every run that asked for its own page is recorded as
// it ends; with --since-last, it is compared with the latest earlier record
// of its address. The last run is what the comparison sees: one that never
// listed its friend links left the grid of the address before it.
Checks runChecks(const CheckOptions& options, CheckServices& services, HeadlessWindow& window,
                 StatusOutput& status, QCoreApplication& app) {
    CheckHistory history(CheckHistory::defaultPath());
    CheckRecorder recorder(
        history,
        options.sinceLast ? CheckRecorder::Comparing::EveryRun : CheckRecorder::Comparing::Never,
        options.noHistory ? CheckRecorder::Recording::Off : CheckRecorder::Recording::On);
    Checks checks;
    const QObject recording;
    QObject::connect(
        &window, &HeadlessWindow::analysisEnded, &recording, [&](const RunOutcome& outcome) {
            const ResultGrid& grid = window.grid();
            checks.lastRun =
                recorder.runEnded(recordOf(grid.cells(), grid.ForeColor(), window.addressText(),
                                           outcome, QDateTime::currentDateTime()));
            while (const std::optional<HistoryProblem> problem = history.takeProblem())
                status.writeLine(problemLine(*problem));
        });

    // The runs start once the event loop runs, and leave it when the last
    // one has ended.
    QTimer::singleShot(0, &app, [&] {
        QCoro::connect(
            analyseEach(options.addresses, window, services.fetcher(), services.renderer()), &app,
            [&checks](bool allCompleted) {
                checks.completed = allCompleted;
                QCoreApplication::quit();
            });
    });
    app.exec();
    return checks;
}

// The last run compared with PREVIOUS or, with --since-last, with the
// check the recorder compared it with.
Comparison comparisonOf(const CheckOptions& options, const std::optional<CheckedGrid>& previous,
                        const RecordedRun& lastRun) {
    Comparison comparison;
    if (previous)
        comparison.changes = compareGrids(*previous, lastRun.run.checkedGrid());
    if (options.sinceLast && lastRun.previous) {
        comparison.changes = lastRun.changes;
        comparison.previous = historyoutput::previous(*lastRun.previous);
        comparison.previousEnded = lastRun.previous->endedAt;
    } else if (options.sinceLast) {
        comparison.previous = QJsonValue(QJsonValue::Null);
    }
    return comparison;
}

// --notify: the drops on the desktop too, until the seller has answered;
// started, like the runs, once the event loop runs.
void showDropsOnDesktop(const QString& address, const QList<GridChange>& changes,
                        QCoreApplication& app) {
    QTimer::singleShot(0, &app, [&] {
        QCoro::connect(notifyDrops(address, droppedPartners(changes)), &app,
                       &QCoreApplication::quit);
    });
    app.exec();
}

// Once the results are written: a run broken off (its own message has
// named the problem), a drop with --fail-on-drop, or success.
int exitStatus(const CheckOptions& options, bool completed, bool dropped) {
    if (!completed)
        return FailureStatus;
    return options.failOnDrop && dropped ? CheckOptions::DropStatus : 0;
}

// The checks of every address, then their results on standard output.
int check(const CheckOptions& options, const std::optional<CheckedGrid>& previous,
          StandardOutput& output, QCoreApplication& app) {
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

    const Checks checks = runChecks(options, *services, window, status, app);
    status.clearProgress();
    const Comparison comparison = comparisonOf(options, previous, checks.lastRun);
    if (!writeOut(output, results(window, options.format, comparison), QStringLiteral("results")))
        return FailureStatus;
    const QList<GridChange> changes = comparison.changes.value_or(QList<GridChange>());
    const bool dropped = hasDrop(changes);
    if (options.notify && dropped)
        showDropsOnDesktop(checks.lastRun.run.address, changes, app);
    return exitStatus(options, checks.completed, dropped);
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
    if (command.outcome != ParsedCommandLine::Outcome::Run)
        return answer(command);
    const CheckOptions& options = command.options;
    if (options.listHistory)
        return listHistory(options, output);
    // A broken PREVIOUS, or one of another address than the last run's, is
    // found before anything is fetched.
    std::optional<CheckedGrid> previous;
    if (options.compare) {
        const QString lastAddress =
            options.addresses.isEmpty() ? QString() : options.addresses.last();
        previous = readPrevious(*options.compare, ownshop::normalisedAddress(lastAddress));
        if (!previous)
            return UsageErrorStatus;
    }
    return check(options, previous, output, app);
}
