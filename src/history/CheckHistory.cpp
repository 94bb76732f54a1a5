#include "CheckHistory.h"

#include "GridColumns.h"
#include "RunEndings.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <algorithm>
#include <array>

namespace {

// More rows than any grid has; a damaged count cannot claim all memory.
constexpr qint64 MaxGridRows = 100'000;

// Where the columns of a query's rows are, found by name once for all its
// rows.
template <std::size_t N> class Columns {
public:
    Columns(const QSqlQuery& query, const std::array<const char*, N>& names) {
        const QSqlRecord record = query.record();
        for (std::size_t column = 0; column < N; ++column)
            at_[column] = record.indexOf(QLatin1String(names[column]));
    }

    QVariant value(const QSqlQuery& query, std::size_t column) const {
        return query.value(at_[column]);
    }

private:
    std::array<int, N> at_{};
};

// The columns of runs that a summary, then a record, is read from.
enum RunColumn : std::size_t {
    Id,
    EndedAt,
    Address,
    Ending,
    Message,
    ShopRows,
    LinksBack,
    NoLinkBack,
    NotExisting,
    NotChecked,
    GridRows,
    ForeColor,
    RunColumnCount,
};
constexpr std::array<const char*, RunColumnCount> RunColumnNames{
    "id",         "ended_at",     "address",      "ending",      "message",   "shop_rows",
    "links_back", "no_link_back", "not_existing", "not_checked", "grid_rows", "fore_color"};
using RunColumns = Columns<RunColumnCount>;

// "SELECT <the columns> FROM <the table> ".
template <std::size_t N>
QString selectFrom(const std::array<const char*, N>& names, const char* table) {
    QStringList columns;
    for (const char* name : names)
        columns.append(QLatin1String(name));
    return QStringLiteral("SELECT %1 FROM %2 ")
        .arg(columns.join(QLatin1String(", ")), QLatin1String(table));
}

enum CellColumn : std::size_t { Row, Col, Text, Color, Bold, CellColumnCount };
constexpr std::array<const char*, CellColumnCount> CellColumnNames{"row", "col", "text", "color",
                                                                   "bold"};

// The current row of a query over the run columns.
CheckSummary summaryFrom(const QSqlQuery& query, const RunColumns& columns) {
    const auto value = [&](RunColumn column) { return columns.value(query, column); };
    CheckSummary summary;
    summary.id = value(Id).toLongLong();
    summary.endedAt = QDateTime::fromMSecsSinceEpoch(value(EndedAt).toLongLong());
    summary.address = value(Address).toString();
    summary.outcome.ending = endingNamed(value(Ending).toString()).value_or(RunEnding::Message);
    summary.outcome.message = value(Message).toString();
    summary.counts = {value(ShopRows).toInt(), value(LinksBack).toInt(), value(NoLinkBack).toInt(),
                      value(NotExisting).toInt(), value(NotChecked).toInt()};
    return summary;
}

// The current row of a query over the run columns with its grid's shape and
// colour; the cells are read next.
CheckRecord recordFrom(const QSqlQuery& query, const RunColumns& columns) {
    CheckRecord record;
    static_cast<CheckSummary&>(record) = summaryFrom(query, columns);
    const qsizetype gridRows = qBound(0, columns.value(query, GridRows).toLongLong(), MaxGridRows);
    record.cells = GridCells(gridRows, QList<GridCell>(gridcol::Count, GridCell{}));
    if (const QVariant foreColor = columns.value(query, ForeColor); !foreColor.isNull())
        record.foreColor = quint32(foreColor.toLongLong());
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
    : database_(std::move(path)) {}

bool CheckHistory::record(CheckRecord& record) {
    return database_.write([&] { return writeRecord(record); });
}

// The runs first, then each one's cells, in one read; nothing when any of
// it fails, so that no record is given with cells missing.
QList<CheckRecord> CheckHistory::recent(const QString& address, int count) {
    QList<CheckRecord> records;
    const bool read = database_.read([&] {
        QSqlQuery query = database_.query();
        query.setForwardOnly(true);
        if (!database_.run(query,
                           selectFrom(RunColumnNames, "runs") +
                               QStringLiteral("WHERE address = ? ORDER BY id DESC LIMIT ?"),
                           {address, count}))
            return false;
        const RunColumns columns(query, RunColumnNames);
        while (query.next())
            records.append(recordFrom(query, columns));
        if (!database_.readToEnd(query))
            return false;
        return std::ranges::all_of(records,
                                   [this](CheckRecord& record) { return readCells(record); });
    });
    if (!read)
        records.clear();
    return records;
}

// Nothing when the record's cells could not all be read.
std::optional<CheckRecord> CheckHistory::load(qint64 id) {
    std::optional<CheckRecord> found;
    const bool read = database_.read([&] {
        QSqlQuery query = database_.query();
        if (!database_.run(
                query, selectFrom(RunColumnNames, "runs") + QStringLiteral("WHERE id = ?"), {id}))
            return false;
        if (!query.next())
            return database_.readToEnd(query);
        found = recordFrom(query, RunColumns(query, RunColumnNames));
        return readCells(*found);
    });
    return read ? found : std::nullopt;
}

QList<CheckSummary> CheckHistory::list(const QString& address) {
    QList<CheckSummary> summaries;
    database_.read([&] {
        QSqlQuery query = database_.query();
        query.setForwardOnly(true);
        const QString statement =
            selectFrom(RunColumnNames, "runs") +
            (address.isEmpty() ? QString() : QStringLiteral("WHERE address = ? ")) +
            QStringLiteral("ORDER BY id DESC");
        if (!database_.run(query, statement,
                           address.isEmpty() ? QVariantList() : QVariantList{address}))
            return false;
        const RunColumns columns(query, RunColumnNames);
        while (query.next())
            summaries.append(summaryFrom(query, columns));
        return database_.readToEnd(query);
    });
    return summaries;
}

bool CheckHistory::remove(qint64 id) {
    return database_.write([&] {
        QSqlQuery query = database_.query();
        return database_.run(query, QStringLiteral("DELETE FROM runs WHERE id = ?"), {id});
    });
}

bool CheckHistory::removeAll(const QString& address) {
    return database_.write([&] {
        QSqlQuery query = database_.query();
        return database_.run(query, QStringLiteral("DELETE FROM runs WHERE address = ?"),
                             {address});
    });
}

bool CheckHistory::writeRecord(CheckRecord& record) {
    QSqlQuery run = database_.query();
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
    if (!database_.run(run,
                       QStringLiteral("INSERT INTO runs (ended_at, address, ending, message,"
                                      " grid_rows, fore_color, shop_rows, links_back,"
                                      " no_link_back, not_existing, not_checked)"
                                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                       values))
        return false;
    const qint64 id = run.lastInsertId().toLongLong();

    QSqlQuery cell = database_.query();
    if (!database_.prepare(cell, QStringLiteral("INSERT INTO cells (run_id, row, col, text, color,"
                                                " bold) VALUES (?, ?, ?, ?, ?, ?)")))
        return false;
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
            if (!database_.exec(cell))
                return false;
        }
    }
    record.id = id;
    return true;
}

bool CheckHistory::readCells(CheckRecord& record) {
    QSqlQuery query = database_.query();
    query.setForwardOnly(true);
    if (!database_.run(query,
                       selectFrom(CellColumnNames, "cells") + QStringLiteral("WHERE run_id = ?"),
                       {record.id}))
        return false;
    const Columns<CellColumnCount> columns(query, CellColumnNames);
    const auto value = [&](CellColumn column) { return columns.value(query, column); };
    while (query.next()) {
        const qsizetype row = value(Row).toLongLong();
        const qsizetype col = value(Col).toLongLong();
        if (row < 0 || row >= record.cells.size() || col < 0 || col >= gridcol::Count)
            continue;
        record.cells[row][col] = {
            value(Text).toString(), quint32(value(Color).toLongLong()), value(Bold).toBool(), {}};
    }
    return database_.readToEnd(query);
}
