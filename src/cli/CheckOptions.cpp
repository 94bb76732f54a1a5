#include "CheckOptions.h"

#include "CheckServices.h"
#include "CommandLineLanguage.h"
#include "DemoMarketplace.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cmath>

namespace {

// Longer than anyone waits for one page; keeps the milliseconds in range.
constexpr double MaxTimeoutSeconds = 24 * 60 * 60;

std::optional<CheckOptions::Format> formatNamed(const QString& name) {
    if (name == QLatin1String("table"))
        return CheckOptions::Format::Table;
    if (name == QLatin1String("tsv"))
        return CheckOptions::Format::Tsv;
    if (name == QLatin1String("json"))
        return CheckOptions::Format::Json;
    return std::nullopt;
}

ParsedCommandLine usageError(const QString& text) {
    return {ParsedCommandLine::Outcome::UsageError, {}, text};
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments, bool stdoutIsTerminal) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        CommandLine::tr("Checks which shops in a shop's friend-link block link back to it.\n"
                        "Each ADDRESS is analysed in turn, as if typed into the address box."));
    const QCommandLineOption proxyOption(
        QStringLiteral("proxy"), CommandLine::tr("Fetch all pages through this HTTP proxy."),
        QStringLiteral("URL"));
    const QCommandLineOption timeoutOption(
        QStringLiteral("timeout"),
        CommandLine::tr("Give up on a page after this long (default 60)."),
        CommandLine::tr("SECONDS"));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        CommandLine::tr("Output: table (default on a terminal), tsv or json."),
        QStringLiteral("table|tsv|json"));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        CommandLine::tr("Analyse against the built-in demo marketplace (default address: the "
                        "demo shop); nothing leaves the machine."));
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        CommandLine::tr("Fetch up to N pages at once, reading ahead of the row being checked "
                        "(1 to 32, default 4; 1 fetches one page after another). The results "
                        "are the same for every N."),
        QStringLiteral("N"));
    const QCommandLineOption renderJobsOption(
        QStringLiteral("render-jobs"),
        CommandLine::tr("Load up to R click-redirect rows ahead of the row being checked, each "
                        "in a browser page of its own, at most R + 1 pages at once (0 to 8, "
                        "default 2; 0 loads one row at a time). The results are the same for "
                        "every R."),
        QStringLiteral("R"));
    const QCommandLineOption compareOption(
        QStringLiteral("compare"),
        CommandLine::tr("Compare the results with PREVIOUS, the JSON output of an earlier check, "
                        "and list what changed."),
        QStringLiteral("PREVIOUS"));
    const QCommandLineOption sinceLastOption(
        QStringLiteral("since-last"),
        CommandLine::tr("Compare the results with the latest earlier check of the same address in "
                        "the history, and list what changed."));
    const QCommandLineOption failOnDropOption(
        QStringLiteral("fail-on-drop"),
        CommandLine::tr("With --compare or --since-last: exit with status 3 when a shop stopped "
                        "linking back, left the friend links or closed."));
    const QCommandLineOption noHistoryOption(
        QStringLiteral("no-history"), CommandLine::tr("Do not record this check in the history."));
    const QCommandLineOption listHistoryOption(
        QStringLiteral("list-history"),
        CommandLine::tr("List the recorded checks, newest first, of the one ADDRESS given or of "
                        "every address; fetches nothing."));
    parser.addOptions({proxyOption, timeoutOption, formatOption, jobsOption, renderJobsOption,
                       demoOption, compareOption, sinceLastOption, failOnDropOption,
                       noHistoryOption, listHistoryOption});
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(
        CommandLine::tr("ADDRESS"),
        CommandLine::tr(
            "A shop address (with --list-history: at most one, whose checks are listed)."),
        CommandLine::tr("ADDRESS..."));

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption))
        return {ParsedCommandLine::Outcome::Help, {}, parser.helpText()};
    if (parser.isSet(versionOption)) {
        return {ParsedCommandLine::Outcome::Version,
                {},
                QCoreApplication::applicationName() + u' ' +
                    QCoreApplication::applicationVersion() + u'\n'};
    }

    CheckOptions options;
    options.format = stdoutIsTerminal ? CheckOptions::Format::Table : CheckOptions::Format::Tsv;
    if (parser.isSet(formatOption)) {
        const std::optional<CheckOptions::Format> format = formatNamed(parser.value(formatOption));
        if (!format)
            return usageError(
                CommandLine::tr("Unknown format: %1").arg(parser.value(formatOption)));
        options.format = *format;
    }
    if (parser.isSet(timeoutOption)) {
        bool ok = false;
        const double seconds = parser.value(timeoutOption).toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > MaxTimeoutSeconds)
            return usageError(
                CommandLine::tr("Not a time-out in seconds: %1").arg(parser.value(timeoutOption)));
        options.timeout = std::chrono::milliseconds(std::max(1LL, std::llround(seconds * 1000)));
    }
    if (parser.isSet(jobsOption)) {
        bool ok = false;
        const int jobs = parser.value(jobsOption).toInt(&ok);
        if (!ok || jobs < 1 || jobs > CheckOptions::MaxJobs)
            return usageError(CommandLine::tr("Not a number of jobs from 1 to 32: %1")
                                  .arg(parser.value(jobsOption)));
        options.jobs = jobs;
    }
    if (parser.isSet(renderJobsOption)) {
        bool ok = false;
        const int renderJobs = parser.value(renderJobsOption).toInt(&ok);
        if (!ok || renderJobs < 0 || renderJobs > CheckOptions::MaxRenderJobs)
            return usageError(CommandLine::tr("Not a number of render jobs from 0 to 8: %1")
                                  .arg(parser.value(renderJobsOption)));
        options.renderJobs = renderJobs;
    }
    options.proxy = parser.value(proxyOption);
    options.demo = parser.isSet(demoOption);
    if (parser.isSet(proxyOption) && options.proxy.isEmpty())
        return usageError(CommandLine::tr("Not an HTTP proxy address: %1").arg(options.proxy));
    if (const std::optional<QString> error = routeError({options.demo, options.proxy}))
        return usageError(*error);
    if (parser.isSet(compareOption))
        options.compare = parser.value(compareOption);
    options.sinceLast = parser.isSet(sinceLastOption);
    if (options.sinceLast && options.compare)
        return usageError(CommandLine::tr("--since-last and --compare cannot be used together."));
    options.failOnDrop = parser.isSet(failOnDropOption);
    if (options.failOnDrop && !options.compare && !options.sinceLast)
        return usageError(CommandLine::tr("--fail-on-drop needs --compare or --since-last."));
    options.noHistory = parser.isSet(noHistoryOption);
    options.addresses = parser.positionalArguments();
    options.listHistory = parser.isSet(listHistoryOption);
    if (options.listHistory) {
        if (options.compare || options.sinceLast || options.failOnDrop)
            return usageError(CommandLine::tr(
                "--list-history cannot be used with --compare, --since-last or --fail-on-drop."));
        if (options.addresses.size() > 1)
            return usageError(CommandLine::tr("--list-history takes at most one address."));
        return {ParsedCommandLine::Outcome::Run, options, {}};
    }
    if (options.demo && options.addresses.isEmpty())
        options.addresses = QStringList{DemoShopAddress};
    if (options.addresses.isEmpty())
        return usageError(CommandLine::tr("No shop address given."));
    return {ParsedCommandLine::Outcome::Run, options, {}};
}
