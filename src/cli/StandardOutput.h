#pragma once

#include <QByteArray>
#include <QString>

// Standard output, where zembrel-check writes its results. Create it at the
// top of main(), before any file is opened: when the program was started with
// standard output closed, /dev/null holds its place, so that no file opened
// later becomes standard output, and the results count as not written. A
// reader that goes away makes a write fail (EPIPE) instead of ending the
// program.
class StandardOutput {
public:
    StandardOutput();

    // Writes and flushes all of `bytes`; false when that failed, with the
    // reason in error().
    bool write(const QByteArray& bytes);
    QString error() const { return error_; }

private:
    bool closedAtStart_ = false;
    QString error_;
};
