#include "CheckOptions.h"

#include "CheckServices.h"
#include "CommandLineLanguage.h"
#include "DemoMarketplace.h"

#include <QCommandLineParser>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Longer than anyone waits for one page; keeps the milliseconds in range.
constexpr double MaxTimeoutSeconds = 24 * 60 * 60;

// What reading the command line came to: a usage error, or nothing.
using Reading = std::optional<QString>;

template <bool CheckOptions::*Member> Reading setFlag(CheckOptions& options, const QString&) {
    options.*Member = true;
    return std::nullopt;
}

template <auto Member> Reading setValue(CheckOptions& options, const QString& value) {
    options.*Member = value;
    return std::nullopt;
}

Reading readTimeout(CheckOptions& options, const QString& value) {
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > MaxTimeoutSeconds)
        return CommandLine::tr("Not a time-out in seconds: %1").arg(value);
    options.timeout = std::chrono::milliseconds(std::max(1LL, std::llround(seconds * 1000)));
    return std::nullopt;
}

// The number `value` when it is one from `least` to `most`.
std::optional<int> numberFrom(const QString& value, int least, int most) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < least || number > most)
        return std::nullopt;
    return number;
}

Reading readJobs(CheckOptions& options, const QString& value) {
    const std::optional<int> jobs = numberFrom(value, 1, CheckOptions::MaxJobs);
    if (!jobs)
        return CommandLine::tr("Not a number of jobs from 1 to 32: %1").arg(value);
    options.jobs = *jobs;
    return std::nullopt;
}

Reading readRenderJobs(CheckOptions& options, const QString& value) {
    const std::optional<int> renderJobs = numberFrom(value, 0, CheckOptions::MaxRenderJobs);
    if (!renderJobs)
        return CommandLine::tr("Not a number of render jobs from 0 to 8: %1").arg(value);
    options.renderJobs = *renderJobs;
    return std::nullopt;
}

// One option: its name, its help, the name of its value (none for a
// switch), and how a given option is read into the options. Help and value
// names are CommandLine texts, translated where the catalogue has them.
struct OptionRow {
    const char* name;
    const char* help;
    const char* valueName;
    // None for the format, read first by a step of its own.
    Reading (*read)(CheckOptions& options, const QString& value);
};

// In the order --help lists them, which is also the order their values are
// read in (but the format's, read before all others).
const std::array<OptionRow, 12> Options{{
    {"proxy", QT_TRANSLATE_NOOP("CommandLine", "Fetch all pages through this HTTP proxy."), "URL",
     setValue<&CheckOptions::proxy>},
    {"timeout", QT_TRANSLATE_NOOP("CommandLine", "Give up on a page after this long (default 60)."),
     QT_TRANSLATE_NOOP("CommandLine", "SECONDS"), readTimeout},
    {"format",
     QT_TRANSLATE_NOOP("CommandLine", "Output: table (default on a terminal), tsv or json."),
     "table|tsv|json", nullptr},
    {"jobs",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Fetch up to N pages at once, reading ahead of the row being checked "
                       "(1 to 32, default 4; 1 fetches one page after another). The results "
                       "are the same for every N."),
     "N", readJobs},
    {"render-jobs",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Load up to R click-redirect rows ahead of the row being checked, each "
                       "in a browser page of its own, at most R + 1 pages at once (0 to 8, "
                       "default 2; 0 loads one row at a time). The results are the same for "
                       "every R."),
     "R", readRenderJobs},
    {"demo",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Analyse against the built-in demo marketplace (default address: the "
                       "demo shop); nothing leaves the machine."),
     nullptr, setFlag<&CheckOptions::demo>},
    {"compare",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Compare the results with PREVIOUS, the JSON output of an earlier check, "
                       "and list what changed."),
     "PREVIOUS", setValue<&CheckOptions::compare>},
    {"since-last",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Compare the results with the latest earlier check of the same address in "
                       "the history, and list what changed."),
     nullptr, setFlag<&CheckOptions::sinceLast>},
    {"fail-on-drop",
     QT_TRANSLATE_NOOP("CommandLine",
                       "With --compare or --since-last: exit with status 3 when a shop stopped "
                       "linking back, left the friend links or closed."),
     nullptr, setFlag<&CheckOptions::failOnDrop>},
    {"notify",
     QT_TRANSLATE_NOOP("CommandLine",
                       "With --since-last: also show a shop lost as a desktop notification, "
                       "which opens the window's list of changes when clicked, and wait until "
                       "it is clicked or closed (at most 8 hours). Without a notification "
                       "service nothing is shown."),
     nullptr, setFlag<&CheckOptions::notify>},
    {"no-history", QT_TRANSLATE_NOOP("CommandLine", "Do not record this check in the history."),
     nullptr, setFlag<&CheckOptions::noHistory>},
    {"list-history",
     QT_TRANSLATE_NOOP("CommandLine",
                       "List the recorded checks, newest first, of the one ADDRESS given or of "
                       "every address; fetches nothing."),
     nullptr, setFlag<&CheckOptions::listHistory>},
}};

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        CommandLine::tr("Checks which shops in a shop's friend-link block link back to it.\n"
                        "Each ADDRESS is analysed in turn, as if typed into the address box."));
    for (const OptionRow& row : Options) {
        const QString name = QString::fromLatin1(row.name);
        parser.addOption(row.valueName ? QCommandLineOption(name, CommandLine::tr(row.help),
                                                            CommandLine::tr(row.valueName))
                                       : QCommandLineOption(name, CommandLine::tr(row.help)));
    }
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        CommandLine::tr("ADDRESS"),
        CommandLine::tr(
            "A shop address (with --list-history: at most one, whose checks are listed)."),
        CommandLine::tr("ADDRESS..."));
}

bool isSet(const QCommandLineParser& parser, const char* name) {
    return parser.isSet(QString::fromLatin1(name));
}

// The steps that read the options, each after the one before.

Reading readFormat(const QCommandLineParser& parser, CheckOptions& options) {
    if (!isSet(parser, "format"))
        return std::nullopt;
    const QString name = parser.value(QStringLiteral("format"));
    if (name == QLatin1String("table"))
        options.format = CheckOptions::Format::Table;
    else if (name == QLatin1String("tsv"))
        options.format = CheckOptions::Format::Tsv;
    else if (name == QLatin1String("json"))
        options.format = CheckOptions::Format::Json;
    else
        return CommandLine::tr("Unknown format: %1").arg(name);
    return std::nullopt;
}

Reading readTable(const QCommandLineParser& parser, CheckOptions& options) {
    for (const OptionRow& row : Options) {
        if (row.read == nullptr || !isSet(parser, row.name))
            continue;
        if (const Reading error = row.read(options, parser.value(QString::fromLatin1(row.name))))
            return error;
    }
    return std::nullopt;
}

Reading checkRoute(const QCommandLineParser& parser, CheckOptions& options) {
    if (isSet(parser, "proxy") && options.proxy.isEmpty())
        return CommandLine::tr("Not an HTTP proxy address: %1").arg(options.proxy);
    return routeError({options.demo, options.proxy});
}

Reading checkComparison(const QCommandLineParser&, CheckOptions& options) {
    if (options.sinceLast && options.compare)
        return CommandLine::tr("--since-last and --compare cannot be used together.");
    if (options.failOnDrop && !options.compare && !options.sinceLast)
        return CommandLine::tr("--fail-on-drop needs --compare or --since-last.");
    // A click lists the changes the history holds, so this check must be in it.
    if (options.notify && !options.sinceLast)
        return CommandLine::tr("--notify needs --since-last.");
    if (options.notify && options.noHistory)
        return CommandLine::tr("--notify cannot be used with --no-history.");
    return std::nullopt;
}

Reading readAddresses(const QCommandLineParser& parser, CheckOptions& options) {
    options.addresses = parser.positionalArguments();
    if (options.listHistory) {
        if (options.compare || options.sinceLast || options.failOnDrop)
            return CommandLine::tr(
                "--list-history cannot be used with --compare, --since-last or --fail-on-drop.");
        if (options.addresses.size() > 1)
            return CommandLine::tr("--list-history takes at most one address.");
        return std::nullopt;
    }
    if (options.demo && options.addresses.isEmpty())
        options.addresses = QStringList{DemoShopAddress};
    if (options.addresses.isEmpty())
        return CommandLine::tr("No shop address given.");
    return std::nullopt;
}

ParsedCommandLine usageError(const QString& text) {
    return {ParsedCommandLine::Outcome::UsageError, {}, text};
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments, bool stdoutIsTerminal) {
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (isSet(parser, "help"))
        return {ParsedCommandLine::Outcome::Help, {}, parser.helpText()};
    if (isSet(parser, "version")) {
        return {ParsedCommandLine::Outcome::Version,
                {},
                QCoreApplication::applicationName() + u' ' +
                    QCoreApplication::applicationVersion() + u'\n'};
    }

    CheckOptions options;
    options.format = stdoutIsTerminal ? CheckOptions::Format::Table : CheckOptions::Format::Tsv;
    for (const auto step : {readFormat, readTable, checkRoute, checkComparison, readAddresses}) {
        if (const Reading error = step(parser, options))
            return usageError(*error);
    }
    return {ParsedCommandLine::Outcome::Run, options, {}};
}
