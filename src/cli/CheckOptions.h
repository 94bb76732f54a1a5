#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

// The command line of zembrel-check.
struct CheckOptions {
    enum class Format { Table, Tsv, Json };

    QString proxy;
    std::chrono::milliseconds timeout = std::chrono::seconds(60);
    Format format = Format::Table;
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
// is chosen when standard output is a terminal, TSV otherwise.
ParsedCommandLine parseCommandLine(const QStringList& arguments, bool stdoutIsTerminal);
