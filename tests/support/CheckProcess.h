#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStringList>
#include <functional>

// One run of zembrel-check as a child process. The event loop keeps running
// while it waits, so a test marketplace in the calling thread answers.
struct CheckProcess {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;

    // The JSON document on standard output.
    QJsonObject json() const;
    // The texts of the cells of grid row `row` in the JSON document.
    QStringList rowTexts(int row) const;
    QJsonObject cell(int row, int col) const;

    // `started` runs once the process is up, with its process id. A
    // non-empty `wrapper` (a program and its arguments, e.g. strace) runs
    // zembrel-check in its place.
    static CheckProcess run(const QStringList& arguments,
                            const QProcessEnvironment& environment = cleanEnvironment(),
                            const std::function<void(qint64 pid)>& started = {},
                            const QStringList& wrapper = {});

    // The test environment without any proxy variables, with a data folder
    // (and so a history) of the test program's own.
    static QProcessEnvironment cleanEnvironment();
};
