#include "CheckHistory.h"

#include "GridColumns.h"
#include "RunEndings.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QVariant>
#include <array>

namespace {

// The schema this program writes, kept in PRAGMA user_version.
constexpr int SchemaVersion = 1;

// How long a write waits for another program's write to end, and how often
// opening the file looks again whether it is still busy.
constexpr int BusyTimeoutMs = 5000;
constexpr int BusyRetryMs = 10;

// More rows than any grid has; a damaged count cannot claim all memory.
constexpr qint64 MaxGridRows = 100'000;

// Step n brings the schema from version n to n + 1; the first one starts a
// history in an empty file. Times are milliseconds since 1970 (UTC), colours
// 32-bit values with red in the lowest byte. Cells that are empty, without a
// colour and not bold are not stored; a run's grid has `grid_rows` rows.
const std::array<QStringList, SchemaVersion> Migrations{{
    {
        QStringLiteral("CREATE TABLE runs ("
                       " id INTEGER PRIMARY KEY,"
                       " ended_at INTEGER NOT NULL,"
                       " address TEXT NOT NULL,"
                       " ending TEXT NOT NULL,"
                       " message TEXT NOT NULL,"
                       " grid_rows INTEGER NOT NULL,"
                       " fore_color INTEGER,"
                       " shop_rows INTEGER NOT NULL,"
                       " links_back INTEGER NOT NULL,"
                       " no_link_back INTEGER NOT NULL,"
                       " not_existing INTEGER NOT NULL,"
                       " not_checked INTEGER NOT NULL)"),
        QStringLiteral("CREATE INDEX runs_by_address ON runs (address)"),
        QStringLiteral("CREATE TABLE cells ("
                       " run_id INTEGER NOT NULL REFERENCES runs (id) ON DELETE CASCADE,"
                       " row INTEGER NOT NULL,"
                       " col INTEGER NOT NULL,"
                       " text TEXT NOT NULL,"
                       " color INTEGER NOT NULL,"
                       " bold INTEGER NOT NULL,"
                       " PRIMARY KEY (run_id, row, col)) WITHOUT ROWID"),
    },
}};

// SQLite's primary result codes for a damaged file and for one that is not
// a database at all.
bool isDamage(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    const int primary = code.toInt() & 0xff;
    return !code.isEmpty() && (primary == 11 || primary == 26);
}

// SQLite's result code for a file another connection holds.
bool isBusy(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    return !code.isEmpty() && (code.toInt() & 0xff) == 5;
}

QString errorText(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

const QString SummaryColumns =
    QStringLiteral("id, ended_at, address, ending, message, shop_rows, links_back, no_link_back,"
                   " not_existing, not_checked, grid_rows, fore_color");

// A row of SummaryColumns.
CheckSummary summaryFrom(const QSqlQuery& query) {
    CheckSummary summary;
    summary.id = query.value(0).toLongLong();
    summary.endedAt = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong());
    summary.address = query.value(2).toString();
    summary.outcome.ending = endingNamed(query.value(3).toString()).value_or(RunEnding::Message);
    summary.outcome.message = query.value(4).toString();
    summary.counts = {query.value(5).toInt(), query.value(6).toInt(), query.value(7).toInt(),
                      query.value(8).toInt(), query.value(9).toInt()};
    return summary;
}

// A row of SummaryColumns with its grid's shape and colour; the cells are
// read next.
CheckRecord recordFrom(const QSqlQuery& query) {
    CheckRecord record;
    static_cast<CheckSummary&>(record) = summaryFrom(query);
    const qsizetype gridRows = qBound(0, query.value(10).toLongLong(), MaxGridRows);
    record.cells = GridCells(gridRows, QList<GridCell>(gridcol::Count, GridCell{}));
    if (!query.value(11).isNull())
        record.foreColor = quint32(query.value(11).toLongLong());
    return record;
}

// Qt binds a null text as SQL NULL.
QString notNull(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

QString CheckHistory::defaultPath() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    return data + QStringLiteral("/zembrel/history.sqlite");
}

CheckHistory::CheckHistory(QString path)
    : path_(std::move(path))
    , connection_(QStringLiteral("zembrel-history-%1").arg(quintptr(this), 0, 16)) {}

CheckHistory::~CheckHistory() {
    close();
}

bool CheckHistory::record(CheckRecord& record) {
    return inWriteTransaction([&](QSqlDatabase& db) { return writeRecord(db, record); });
}

std::optional<CheckRecord> CheckHistory::latest(const QString& address) {
    return recordWhere(QStringLiteral("address = ? ORDER BY id DESC LIMIT 1"), address);
}

std::optional<CheckRecord> CheckHistory::load(qint64 id) {
    return recordWhere(QStringLiteral("id = ?"), id);
}

// The first record the condition, with its one value bound, selects.
std::optional<CheckRecord> CheckHistory::recordWhere(const QString& condition,
                                                     const QVariant& value) {
    std::optional<CheckRecord> found;
    read([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(
            QStringLiteral("SELECT %1 FROM runs WHERE %2").arg(SummaryColumns, condition));
        query.bindValue(0, value);
        if (!query.exec())
            return failed(query);
        if (!query.next())
            return true;
        found = recordFrom(query);
        return readCells(db, *found);
    });
    return found;
}

QList<CheckSummary> CheckHistory::list(const QString& address) {
    QList<CheckSummary> summaries;
    read([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT %1 FROM runs %2 ORDER BY id DESC")
                          .arg(SummaryColumns, address.isEmpty()
                                                   ? QString()
                                                   : QStringLiteral("WHERE address = ?")));
        if (!address.isEmpty())
            query.bindValue(0, address);
        if (!query.exec())
            return failed(query);
        while (query.next())
            summaries.append(summaryFrom(query));
        return true;
    });
    return summaries;
}

bool CheckHistory::remove(qint64 id) {
    return inWriteTransaction([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("DELETE FROM runs WHERE id = ?"));
        query.bindValue(0, id);
        return query.exec() || failed(query);
    });
}

bool CheckHistory::removeAll(const QString& address) {
    return inWriteTransaction([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("DELETE FROM runs WHERE address = ?"));
        query.bindValue(0, address);
        return query.exec() || failed(query);
    });
}

std::optional<HistoryProblem> CheckHistory::takeProblem() {
    if (problems_.isEmpty())
        return std::nullopt;
    return problems_.takeFirst();
}

bool CheckHistory::ensureOpen() {
    if (open_)
        return true;
    // A file found not to be a history is moved aside once; should the new
    // one fail too, the history stays closed for this operation.
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (openFile()) {
        case Opened::Ready:
            open_ = true;
            return true;
        case Opened::Failed:
            close();
            return false;
        case Opened::NotAHistory:
            close();
            if (!moveAside(notAHistory_))
                return false;
            break;
        }
    }
    return false;
}

CheckHistory::Opened CheckHistory::openFile() {
    if (path_.isEmpty()) {
        unusable(QStringLiteral("no data folder"));
        return Opened::Failed;
    }
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) {
        unusable(QStringLiteral("cannot create the folder ") + folder);
        return Opened::Failed;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!db.open()) {
        unusable(errorText(db.lastError()));
        return Opened::Failed;
    }
    return prepareSchema(db);
}

// Reads the schema version, then brings an older schema up to date in one
// transaction, which also makes a second program opening a new file at the
// same time wait and find it done. Nothing is written to a file that turns
// out to be no history of ours.
CheckHistory::Opened CheckHistory::prepareSchema(QSqlDatabase& db) {
    QSqlQuery query(db);
    notAHistory_.clear();
    // Switching a new file to the write-ahead log needs the file to itself,
    // and SQLite does not wait for that as it waits for a busy write: a
    // program opening a new history just as another does is told the file
    // is locked. A busy statement here is tried again until the busy time-out.
    const QDeadlineTimer busyDeadline(BusyTimeoutMs);
    const auto exec = [&](const QString& statement) {
        bool done = query.exec(statement);
        for (; !done && isBusy(query.lastError()) && !busyDeadline.hasExpired();
             done = query.exec(statement))
            QThread::msleep(BusyRetryMs);
        if (done)
            return true;
        if (isDamage(query.lastError()))
            notAHistory_ = errorText(query.lastError());
        else
            unusable(errorText(query.lastError()));
        return false;
    };
    const auto failure = [this] {
        return notAHistory_.isEmpty() ? Opened::Failed : Opened::NotAHistory;
    };
    // The version, read with the number of tables in one snapshot: version
    // 0 is an empty file only when it has no tables, else another program's
    // database.
    const auto version = [&]() -> std::optional<int> {
        if (!exec(QStringLiteral("SELECT user_version, (SELECT count(*) FROM sqlite_master)"
                                 " FROM pragma_user_version")) ||
            !query.next())
            return std::nullopt;
        const int found = query.value(0).toInt();
        const bool empty = query.value(1).toInt() == 0;
        query.finish();
        if (found > SchemaVersion)
            notAHistory_ = QStringLiteral("written by a newer version (schema %1)").arg(found);
        else if (found == 0 && !empty)
            notAHistory_ = QStringLiteral("a database of another kind");
        if (!notAHistory_.isEmpty())
            return std::nullopt;
        return found;
    };

    std::optional<int> found = version();
    if (!found)
        return failure();
    // Pages of deleted records are overwritten.
    for (const char* setting : {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = FULL",
                                "PRAGMA foreign_keys = ON", "PRAGMA secure_delete = ON"}) {
        if (!exec(QString::fromLatin1(setting)))
            return failure();
    }
    if (*found == SchemaVersion)
        return Opened::Ready;

    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failure();
    found = version();
    bool done = found.has_value();
    for (int step = found.value_or(SchemaVersion); done && step < SchemaVersion; ++step) {
        for (const QString& statement : Migrations[step])
            done = done && exec(statement);
    }
    done = done && exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)) &&
           exec(QStringLiteral("COMMIT"));
    if (done)
        return Opened::Ready;
    query.exec(QStringLiteral("ROLLBACK"));
    return failure();
}

void CheckHistory::close() {
    open_ = false;
    if (!QSqlDatabase::contains(connection_))
        return;
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

bool CheckHistory::moveAside(const QString& why) {
    const QString stem = path_ + QStringLiteral(".broken-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = stem;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + u'-' + QString::number(n);
    if (!QFile::rename(path_, target)) {
        unusable(QStringLiteral("cannot rename the damaged history to ") + target);
        return false;
    }
    // The log and its index belong to the old file; a new history must not
    // read them.
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(path_ + suffix))
            QFile::rename(path_ + suffix, target + suffix);
    }
    problems_.append({HistoryProblem::Kind::MovedAside, target, why});
    return true;
}

bool CheckHistory::inWriteTransaction(const std::function<bool(QSqlDatabase&)>& operation) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!ensureOpen())
            return false;
        damaged_ = false;
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        bool done = false;
        {
            QSqlQuery query(db);
            done = (query.exec(QStringLiteral("BEGIN IMMEDIATE")) || failed(query)) &&
                   operation(db) && (query.exec(QStringLiteral("COMMIT")) || failed(query));
            if (!done)
                query.exec(QStringLiteral("ROLLBACK"));
        }
        if (done)
            return true;
        if (!damaged_)
            return false;
        db = QSqlDatabase();
        close();
        if (!moveAside(QStringLiteral("damaged")))
            return false;
    }
    return false;
}

void CheckHistory::read(const std::function<bool(QSqlDatabase&)>& operation) {
    if (!ensureOpen())
        return;
    damaged_ = false;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (operation(db) || !damaged_)
        return;
    db = QSqlDatabase();
    close();
    moveAside(QStringLiteral("damaged"));
}

bool CheckHistory::writeRecord(QSqlDatabase& db, CheckRecord& record) {
    QSqlQuery run(db);
    run.prepare(QStringLiteral(
        "INSERT INTO runs (ended_at, address, ending, message, grid_rows, fore_color, shop_rows,"
        " links_back, no_link_back, not_existing, not_checked)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QVariantList values{record.endedAt.toMSecsSinceEpoch(),
                              notNull(record.address),
                              endingName(record.outcome.ending),
                              notNull(record.outcome.message),
                              qint64(record.cells.size()),
                              record.foreColor ? QVariant(qint64(*record.foreColor)) : QVariant(),
                              record.counts.rows,
                              record.counts.linksBack,
                              record.counts.noLinkBack,
                              record.counts.notExisting,
                              record.counts.notChecked};
    for (qsizetype at = 0; at < values.size(); ++at)
        run.bindValue(int(at), values[at]);
    if (!run.exec())
        return failed(run);
    const qint64 id = run.lastInsertId().toLongLong();

    QSqlQuery cell(db);
    cell.prepare(QStringLiteral(
        "INSERT INTO cells (run_id, row, col, text, color, bold) VALUES (?, ?, ?, ?, ?, ?)"));
    cell.bindValue(0, id);
    for (qsizetype row = 0; row < record.cells.size(); ++row) {
        for (qsizetype col = 0; col < record.cells[row].size(); ++col) {
            const GridCell& c = record.cells[row][col];
            if (c.text.isEmpty() && c.color == 0 && !c.bold)
                continue;
            cell.bindValue(1, qint64(row));
            cell.bindValue(2, qint64(col));
            cell.bindValue(3, c.text);
            cell.bindValue(4, qint64(c.color));
            cell.bindValue(5, int(c.bold));
            if (!cell.exec())
                return failed(cell);
        }
    }
    record.id = id;
    return true;
}

bool CheckHistory::readCells(QSqlDatabase& db, CheckRecord& record) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT row, col, text, color, bold FROM cells WHERE run_id = ?"));
    query.bindValue(0, record.id);
    if (!query.exec())
        return failed(query);
    while (query.next()) {
        const qsizetype row = query.value(0).toLongLong();
        const qsizetype col = query.value(1).toLongLong();
        if (row < 0 || row >= record.cells.size() || col < 0 || col >= gridcol::Count)
            continue;
        record.cells[row][col] = {query.value(2).toString(),
                                  quint32(query.value(3).toLongLong()),
                                  query.value(4).toBool(),
                                  {}};
    }
    return true;
}

bool CheckHistory::failed(const QSqlQuery& query) {
    if (isDamage(query.lastError()))
        damaged_ = true;
    else
        unusable(errorText(query.lastError()));
    return false;
}

void CheckHistory::unusable(const QString& detail) {
    if (toldUnusable_)
        return;
    toldUnusable_ = true;
    problems_.append({HistoryProblem::Kind::Unusable, path_, detail});
}
