#include "HistoryDatabase.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <array>

namespace {

// The schema this program writes, kept in PRAGMA user_version.
constexpr int SchemaVersion = 1;

// How long a statement waits for another program's write to end.
constexpr int BusyTimeoutMs = 5000;

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

// The primary result codes of SQLite (sqlite3.h) that the history tells
// apart. Qt's driver gives a failed statement's code as the text of
// QSqlError::nativeErrorCode(); an extended code holds its primary code in
// its lowest byte.
namespace sqlite {
constexpr int Busy = 5;          // SQLITE_BUSY: another connection holds the file
constexpr int Corrupt = 11;      // SQLITE_CORRUPT: the file is damaged
constexpr int NotADatabase = 26; // SQLITE_NOTADB: the file is no database at all
constexpr int PrimaryCodeMask = 0xff;
} // namespace sqlite

std::optional<int> primaryCode(const QSqlError& error) {
    bool isNumber = false;
    const int code = error.nativeErrorCode().toInt(&isNumber);
    if (!isNumber)
        return std::nullopt;
    return code & sqlite::PrimaryCodeMask;
}

bool isDamage(const QSqlError& error) {
    const std::optional<int> code = primaryCode(error);
    return code == sqlite::Corrupt || code == sqlite::NotADatabase;
}

bool isBusy(const QSqlError& error) {
    return primaryCode(error) == sqlite::Busy;
}

QString errorText(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

} // namespace

HistoryDatabase::HistoryDatabase(QString path)
    : path_(std::move(path))
    , connection_(QStringLiteral("zembrel-history-%1").arg(quintptr(this), 0, 16)) {}

HistoryDatabase::~HistoryDatabase() {
    close();
}

bool HistoryDatabase::write(const std::function<bool()>& operation) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!ensureOpen())
            return false;
        notAHistory_.reset();
        if (transaction(QStringLiteral("BEGIN IMMEDIATE"), operation))
            return true;
        if (!notAHistory_)
            return false;
        close();
        if (!moveAside(QStringLiteral("damaged")))
            return false;
    }
    return false;
}

bool HistoryDatabase::read(const std::function<bool()>& operation) {
    if (!ensureOpen())
        return false;
    notAHistory_.reset();
    if (operation())
        return true;
    if (notAHistory_) {
        close();
        moveAside(QStringLiteral("damaged"));
    }
    return false;
}

QSqlQuery HistoryDatabase::query() const {
    return QSqlQuery(QSqlDatabase::database(connection_, false));
}

bool HistoryDatabase::prepare(QSqlQuery& query, const QString& statement) {
    return query.prepare(statement) || failed(query);
}

bool HistoryDatabase::exec(QSqlQuery& query) {
    return query.exec() || failed(query);
}

bool HistoryDatabase::run(QSqlQuery& query, const QString& statement, const QVariantList& values) {
    if (!prepare(query, statement))
        return false;
    for (qsizetype at = 0; at < values.size(); ++at)
        query.bindValue(int(at), values[at]);
    return exec(query);
}

bool HistoryDatabase::readToEnd(const QSqlQuery& query) {
    return !query.lastError().isValid() || failed(query);
}

std::optional<HistoryProblem> HistoryDatabase::takeProblem() {
    if (problems_.isEmpty())
        return std::nullopt;
    return problems_.takeFirst();
}

bool HistoryDatabase::ensureOpen() {
    if (rollbackFailed_)
        close();
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
            if (!moveAside(*notAHistory_))
                return false;
            break;
        }
    }
    return false;
}

HistoryDatabase::Opened HistoryDatabase::openFile() {
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
    notAHistory_.reset();
    const Opened opened = prepareSchema();
    if (opened == Opened::Failed && notAHistory_)
        return Opened::NotAHistory;
    return opened;
}

// Reads the schema version, then brings an older schema up to date in one
// transaction, which also makes a second program opening a new file at the
// same time wait and find it done. Nothing is written to a file that turns
// out to be no history of ours.
HistoryDatabase::Opened HistoryDatabase::prepareSchema() {
    QSqlQuery query = this->query();
    const std::optional<int> found = schemaVersion(query);
    if (!found || !switchToWriteAheadLog(query))
        return Opened::Failed;
    // Pages of deleted records are overwritten.
    for (const char* setting :
         {"PRAGMA synchronous = FULL", "PRAGMA foreign_keys = ON", "PRAGMA secure_delete = ON"}) {
        if (!run(query, QString::fromLatin1(setting)))
            return Opened::Failed;
    }
    if (*found == SchemaVersion)
        return Opened::Ready;
    const bool migrated = transaction(QStringLiteral("BEGIN IMMEDIATE"), [this] {
        QSqlQuery step = this->query();
        const std::optional<int> now = schemaVersion(step);
        if (!now)
            return false;
        for (int version = *now; version < SchemaVersion; ++version) {
            for (const QString& statement : Migrations[version]) {
                if (!run(step, statement))
                    return false;
            }
        }
        return run(step, QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion));
    });
    return migrated ? Opened::Ready : Opened::Failed;
}

// The version, read with the number of tables in one snapshot: version 0 is
// an empty file only when it has no tables, else another program's
// database.
std::optional<int> HistoryDatabase::schemaVersion(QSqlQuery& query) {
    if (!run(query, QStringLiteral("SELECT user_version AS version,"
                                   " (SELECT count(*) FROM sqlite_master) AS tables"
                                   " FROM pragma_user_version")))
        return std::nullopt;
    if (!query.next()) {
        readToEnd(query);
        return std::nullopt;
    }
    const int found = query.value(QStringLiteral("version")).toInt();
    const bool empty = query.value(QStringLiteral("tables")).toInt() == 0;
    query.finish();
    if (found > SchemaVersion)
        notAHistory_ = QStringLiteral("written by a newer version (schema %1)").arg(found);
    else if (found == 0 && !empty)
        notAHistory_ = QStringLiteral("a database of another kind");
    if (notAHistory_)
        return std::nullopt;
    return found;
}

// Switching a new file to the write-ahead log needs the file to itself, and
// SQLite does not wait for that as it waits for a busy write: while another
// program reads the file, as one opening the same new history at the same
// moment does, the switch fails at once as busy. Before each new try, an
// exclusive transaction begun and ended waits inside SQLite, under its busy
// time-out, until the file is free; nothing here sleeps or spins, and the
// tries end when the busy time-out has passed.
bool HistoryDatabase::switchToWriteAheadLog(QSqlQuery& query) {
    const QString statement = QStringLiteral("PRAGMA journal_mode = WAL");
    const QDeadlineTimer deadline(BusyTimeoutMs);
    while (!query.exec(statement)) {
        if (!isBusy(query.lastError()) || deadline.hasExpired())
            return failed(query);
        if (!transaction(QStringLiteral("BEGIN EXCLUSIVE"), [] { return true; }))
            return false;
    }
    return true;
}

bool HistoryDatabase::transaction(const QString& begin, const std::function<bool()>& body) {
    QSqlQuery query = this->query();
    if (!run(query, begin))
        return false;
    if (body() && run(query, QStringLiteral("COMMIT")))
        return true;
    // A statement that failed may have ended the transaction already, and
    // then there is nothing to roll back; a transaction that is left ends
    // with its connection, closed before the next operation.
    rollbackFailed_ = !query.exec(QStringLiteral("ROLLBACK"));
    return false;
}

void HistoryDatabase::close() {
    open_ = false;
    rollbackFailed_ = false;
    if (!QSqlDatabase::contains(connection_))
        return;
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

bool HistoryDatabase::moveAside(const QString& why) {
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

bool HistoryDatabase::failed(const QSqlQuery& query) {
    const QSqlError error = query.lastError();
    if (isDamage(error))
        notAHistory_ = errorText(error);
    else
        unusable(errorText(error));
    return false;
}

void HistoryDatabase::unusable(const QString& detail) {
    if (toldUnusable_)
        return;
    toldUnusable_ = true;
    problems_.append({HistoryProblem::Kind::Unusable, path_, detail});
}
