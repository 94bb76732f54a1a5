#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <functional>
#include <optional>

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

// The history's SQLite file, opened when first used, so that a program pays
// nothing for it before then; the schema made in a new file or brought up to
// date in an older one. Several programs may use one file at once: each
// write waits for the others (write-ahead log, busy time-out) and is one
// transaction, so that a crash or a full disk leaves either the whole write
// or none of it.
//
// A file that is not such a database, or has a newer schema, is renamed to
// "<name>.broken-<yyyyMMdd-HHmmss>" (never deleted) and a new history is
// started. Every statement is checked: one that fails loses only the
// operation at hand, and notes why.
class HistoryDatabase {
public:
    explicit HistoryDatabase(QString path);
    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase&) = delete;
    HistoryDatabase& operator=(const HistoryDatabase&) = delete;

    // Runs `operation` in one write transaction; when the file turns out to
    // be damaged, moves it aside and runs it once more on a new history.
    // False when it was not done.
    bool write(const std::function<bool()>& operation);
    // Runs the read `operation`; a damaged file is moved aside. False when
    // it was not done to its end.
    bool read(const std::function<bool()>& operation);

    // What operations run their statements with: a query on the open file,
    // and each step of a statement checked. A step that fails notes the
    // problem and returns false, for the operation to return.
    QSqlQuery query() const;
    bool prepare(QSqlQuery& query, const QString& statement);
    // Runs the prepared `query` with the values bound to it.
    bool exec(QSqlQuery& query);
    // Prepares `statement`, binds `values` to it in order and runs it.
    bool run(QSqlQuery& query, const QString& statement, const QVariantList& values = {});
    // After the rows of `query` were read to their end: true when they
    // ended there, not at a failure.
    bool readToEnd(const QSqlQuery& query);

    // The first problem of each kind met since the database was created,
    // each returned once.
    std::optional<HistoryProblem> takeProblem();

private:
    enum class Opened { Ready, NotAHistory, Failed };

    bool ensureOpen();
    Opened openFile();
    Opened prepareSchema();
    std::optional<int> schemaVersion(QSqlQuery& query);
    bool switchToWriteAheadLog(QSqlQuery& query);
    // `body` between `begin` and COMMIT, or rolled back when it failed.
    bool transaction(const QString& begin, const std::function<bool()>& body);
    void close();
    bool moveAside(const QString& why);
    // Notes a failed statement (a damaged file, or a problem to tell); false.
    bool failed(const QSqlQuery& query);
    void unusable(const QString& detail);

    QString path_;
    QString connection_;
    bool open_ = false;
    // Why the file is no history of ours, once a statement has found that.
    std::optional<QString> notAHistory_;
    // A rollback failed: the connection is closed to end its transaction.
    bool rollbackFailed_ = false;
    QList<HistoryProblem> problems_;
    bool toldUnusable_ = false;
};
