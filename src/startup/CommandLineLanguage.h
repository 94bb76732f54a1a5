#pragma once

#include <QCoreApplication>
#include <QString>

// The context of the command-line texts both programs translate:
// CommandLine::tr("...").
struct CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

// Installs, for the user's locale, the programs' own catalogue of
// command-line texts and Qt's catalogue of the same language (the parser's
// own texts: "Usage:", "Options:", unknown options). Under a Chinese locale
// --help and usage errors then read Chinese; without a catalogue for the
// locale they stay English. False when none was found.
bool installCommandLineLanguage(QCoreApplication& app);

// What a program prints on standard error for a usage error: its name, the
// error, and where to read more.
QString usageErrorText(const QString& program, const QString& error);
