#pragma once

#include "PrefetchingPageFetcher.h"
#include "WebPageRenderer.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

// The command line of zembrel-check.
struct CheckOptions {
    static constexpr int MaxJobs = 32;
    static constexpr int MaxRenderJobs = 8;
    static constexpr int DropStatus = 3;

    enum class Format { Table, Tsv, Json };

    QString proxy;
    // Run against the built-in demo marketplace; nothing leaves the machine.
    bool demo = false;
    std::chrono::milliseconds timeout = std::chrono::seconds(60);
    // Pages fetched at once; 1 fetches strictly one after another.
    int jobs = PrefetchingPageFetcher::DefaultJobs;
    // Click-redirect rows loaded ahead in extra browser pages; 0 loads one
    // row at a time.
    int renderJobs = WebPageRenderer::DefaultJobs;
    Format format = Format::Table;
    // The JSON result of an earlier check to compare this one with.
    std::optional<QString> compare;
    // Compare with the latest earlier check of the same address in the
    // history instead.
    bool sinceLast = false;
    // Exit with DropStatus when the comparison found a partner lost.
    bool failOnDrop = false;
    // Also show partners lost since the last check as a desktop
    // notification, and wait for the seller to click or close it.
    bool notify = false;
    // Record nothing in the history.
    bool noHistory = false;
    // List the recorded checks (of the one address given, if any) instead
    // of checking.
    bool listHistory = false;
    QStringList addresses;
};

struct ParsedCommandLine {
    enum class Outcome { Run, Help, Version, UsageError };

    Outcome outcome = Outcome::UsageError;
    CheckOptions options;
    // The usage error, or the help or version text.
    QString text;
};

// `arguments` includes the program name first. Without --format the table
// is chosen when standard output is a terminal, TSV otherwise. With --demo
// and no address the demo shop is analysed.
ParsedCommandLine parseCommandLine(const QStringList& arguments, bool stdoutIsTerminal);
