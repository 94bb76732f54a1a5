#pragma once

#include "CheckRecord.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

class QSqlDatabase;
class QSqlQuery;

// Something the seller is told about the history, once.
struct HistoryProblem {
    enum class Kind {
        // The file was not a history this program can read (not a database,
        // damaged, or written by a newer version); it was renamed and a new
        // history started.
        MovedAside,
        // The history could not be opened or written (a folder that cannot
        // be written, a full disk): what was to be recorded is lost.
        Unusable,
    };
    Kind kind;
    // MovedAside: the file's new name; Unusable: the history's file.
    QString path;
    QString detail;
};

// The checks of both programs, kept in one SQLite database. It is opened
// when first used, so that a program pays nothing for it before then.
// Several programs may use one file at once: each write waits for the
// others (write-ahead log, busy time-out) and is one transaction, so that a
// crash or a full disk leaves either the whole record or none of it.
//
// A file that is not such a database, or has a newer schema, is renamed to
// "<name>.broken-<yyyyMMdd-HHmmss>" (never deleted) and a new history is
// started. Any failure loses only the operation at hand.
class CheckHistory {
public:
    // "history.sqlite" in zembrel's folder of the user's data folder
    // ($XDG_DATA_HOME/zembrel, ~/.local/share/zembrel by default), the same
    // for the window and zembrel-check.
    static QString defaultPath();

    explicit CheckHistory(QString path);
    ~CheckHistory();
    CheckHistory(const CheckHistory&) = delete;
    CheckHistory& operator=(const CheckHistory&) = delete;

    // Stores `record` and sets its id; false when it could not be stored.
    bool record(CheckRecord& record);
    // The newest record of `address`, compared exactly.
    std::optional<CheckRecord> latest(const QString& address);
    std::optional<CheckRecord> load(qint64 id);
    // Newest first; every address when `address` is empty.
    QList<CheckSummary> list(const QString& address = {});
    bool remove(qint64 id);
    bool removeAll(const QString& address);

    // The first problem of each kind met since the history was created, each
    // returned once.
    std::optional<HistoryProblem> takeProblem();

private:
    enum class Opened { Ready, NotAHistory, Failed };

    bool ensureOpen();
    Opened openFile();
    Opened prepareSchema(QSqlDatabase& db);
    void close();
    bool moveAside(const QString& why);
    // Runs `operation` in one write transaction; when the file turns out to
    // be damaged, moves it aside and runs it once more on a new history.
    bool inWriteTransaction(const std::function<bool(QSqlDatabase&)>& operation);
    // Runs the read `operation`; a damaged file is moved aside.
    void read(const std::function<bool(QSqlDatabase&)>& operation);
    bool writeRecord(QSqlDatabase& db, CheckRecord& record);
    std::optional<CheckRecord> recordWhere(const QString& condition, const QVariant& value);
    bool readCells(QSqlDatabase& db, CheckRecord& record);
    // Notes a failed query (a damaged file, or a problem to tell); false.
    bool failed(const QSqlQuery& query);
    void unusable(const QString& detail);

    QString path_;
    QString connection_;
    bool open_ = false;
    bool damaged_ = false;
    QString notAHistory_;
    QList<HistoryProblem> problems_;
    bool toldUnusable_ = false;
};
