#pragma once

#include "CheckRecord.h"
#include "HistoryDatabase.h"

#include <QList>
#include <QString>
#include <optional>

// The checks of both programs, kept in one SQLite database (HistoryDatabase:
// opened when first used, shared by several programs at once, a bad file
// moved aside). Any failure loses only the operation at hand.
class CheckHistory {
public:
    // "history.sqlite" in zembrel's folder of the user's data folder
    // ($XDG_DATA_HOME/zembrel, ~/.local/share/zembrel by default), the same
    // for the window and zembrel-check.
    static QString defaultPath();

    explicit CheckHistory(QString path);

    // Stores `record` and sets its id; false when it could not be stored.
    bool record(CheckRecord& record);
    // The newest `count` records of `address` (compared exactly), newest first.
    QList<CheckRecord> recent(const QString& address, int count);
    std::optional<CheckRecord> load(qint64 id);
    // Newest first; every address when `address` is empty.
    QList<CheckSummary> list(const QString& address = {});
    bool remove(qint64 id);
    bool removeAll(const QString& address);

    // The first problem of each kind met since the history was created, each
    // returned once.
    std::optional<HistoryProblem> takeProblem() { return database_.takeProblem(); }

private:
    bool writeRecord(CheckRecord& record);
    bool readCells(CheckRecord& record);

    HistoryDatabase database_;
};
