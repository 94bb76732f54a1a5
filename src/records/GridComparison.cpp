#include "GridComparison.h"

#include "GridColumns.h"
#include "RunTexts.h"

#include <QHash>
#include <algorithm>

namespace {

// The reason shown for a row whose check never began.
const QString NotChecked = QStringLiteral("未检测");

// How far a row's check got, as the reason for not comparing it.
QString checkState(const ShopRow& row) {
    if (row.status.isEmpty())
        return NotChecked;
    if (row.status == runtext::Normal && !fullyChecked(row))
        return row.linksBack;
    return row.status;
}

class Comparison {
public:
    void compareRows(const ShopRow& before, const ShopRow& now) {
        if (!fullyChecked(before) || !fullyChecked(now)) {
            add(ChangeKind::NotCompared, now, checkState(before), checkState(now));
            return;
        }
        if (before.status != now.status) {
            add(now.status == runtext::NotExisting ? ChangeKind::Closed : ChangeKind::Reopened, now,
                before.status, now.status);
            return;
        }
        if (now.status != runtext::Normal)
            return;
        if (before.linksBack == runtext::LinksBack && now.linksBack == runtext::NoLinkBack)
            add(ChangeKind::StoppedLinking, now, before.linksBack, now.linksBack);
        if (before.linksBack == runtext::NoLinkBack && now.linksBack == runtext::LinksBack)
            add(ChangeKind::StartedLinking, now, before.linksBack, now.linksBack);
        if (before.credit != now.credit)
            add(ChangeKind::CreditChanged, now, before.credit, now.credit);
    }

    void add(ChangeKind kind, const ShopRow& row, const QString& before, const QString& now) {
        changes_.append({kind, row.name, row.address, before, now});
    }

    QList<GridChange> dropsFirst() {
        std::stable_partition(changes_.begin(), changes_.end(),
                              [](const GridChange& change) { return change.isDrop(); });
        return changes_;
    }

private:
    QList<GridChange> changes_;
};

// For each row of `current`, the index of its matching row in `previous`, or
// -1: the n-th row with an address matches the n-th row with that address.
QList<qsizetype> matchRows(const CheckedGrid& previous, const CheckedGrid& current) {
    QHash<QString, QList<qsizetype>> previousByAddress;
    for (qsizetype index = 0; index < previous.rows.size(); ++index)
        previousByAddress[previous.rows[index].address].append(index);
    QList<qsizetype> matches;
    for (const ShopRow& row : current.rows) {
        QList<qsizetype>& candidates = previousByAddress[row.address];
        matches.append(candidates.isEmpty() ? -1 : candidates.takeFirst());
    }
    return matches;
}

} // namespace

// A failed rating page leaves "正常" in the status and its failure mark in
// the back-link cell.
bool fullyChecked(const ShopRow& row) {
    if (row.status == runtext::NotExisting)
        return true;
    return row.status == runtext::Normal &&
           (row.linksBack.isEmpty() || row.linksBack == runtext::LinksBack ||
            row.linksBack == runtext::NoLinkBack);
}

bool GridChange::isDrop() const {
    return kind == ChangeKind::StoppedLinking || kind == ChangeKind::Removed ||
           kind == ChangeKind::Closed;
}

QString kindText(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::Added:
        return QStringLiteral("新增");
    case ChangeKind::Removed:
        return QStringLiteral("移除");
    case ChangeKind::StoppedLinking:
        return QStringLiteral("不再链接你");
    case ChangeKind::StartedLinking:
        return QStringLiteral("开始链接你");
    case ChangeKind::Closed:
        return QStringLiteral("店铺已关闭");
    case ChangeKind::Reopened:
        return QStringLiteral("店铺已恢复");
    case ChangeKind::CreditChanged:
        return QStringLiteral("信用变化");
    case ChangeKind::NotCompared:
        return QStringLiteral("未能比较");
    }
    return {};
}

CheckedGrid checkedGrid(const QList<QStringList>& cellTexts, const QStringList& messages) {
    CheckedGrid grid;
    for (qsizetype row = 1; row < cellTexts.size(); ++row) {
        const QStringList& cells = cellTexts[row];
        if (cells.size() < gridcol::Count)
            continue;
        if (cells[gridcol::ShopName].isEmpty() && cells[gridcol::Address].isEmpty())
            continue;
        grid.rows.append({qint32(row), cells[gridcol::ShopName], cells[gridcol::Address],
                          cells[gridcol::Status], cells[gridcol::Credit],
                          cells[gridcol::LinksBack]});
    }
    // A listed block fills the grid without any message; an empty grid
    // after a message means the check never got that far.
    if (grid.rows.isEmpty() && !messages.isEmpty())
        grid.unlistedReason = messages.last();
    return grid;
}

QList<GridChange> compareGrids(const CheckedGrid& previous, const CheckedGrid& current) {
    const QList<qsizetype> matches = matchRows(previous, current);
    Comparison comparison;
    QList<bool> matched(previous.rows.size(), false);
    for (qsizetype at = 0; at < current.rows.size(); ++at) {
        const ShopRow& row = current.rows[at];
        if (const qsizetype index = matches[at]; index >= 0) {
            matched[index] = true;
            comparison.compareRows(previous.rows[index], row);
        } else if (!previous.unlistedReason.isEmpty()) {
            comparison.add(ChangeKind::NotCompared, row, previous.unlistedReason, checkState(row));
        } else {
            comparison.add(ChangeKind::Added, row, {}, {});
        }
    }
    for (qsizetype index = 0; index < previous.rows.size(); ++index) {
        if (matched[index])
            continue;
        const ShopRow& row = previous.rows[index];
        if (current.unlistedReason.isEmpty())
            comparison.add(ChangeKind::Removed, row, {}, {});
        else
            comparison.add(ChangeKind::NotCompared, row, checkState(row), current.unlistedReason);
    }
    return comparison.dropsFirst();
}

QList<CellChange> changedCells(const QList<QStringList>& previous,
                               const QList<QStringList>& current) {
    const CheckedGrid before = checkedGrid(previous, {});
    const CheckedGrid now = checkedGrid(current, {});
    const QList<qsizetype> matches = matchRows(before, now);
    QList<CellChange> changes;
    for (qsizetype at = 0; at < now.rows.size(); ++at) {
        if (matches[at] < 0)
            continue;
        const QStringList& oldCells = previous[before.rows[matches[at]].gridRow];
        const qint32 row = now.rows[at].gridRow;
        for (qint32 col = gridcol::ShopName; col < gridcol::Count; ++col) {
            if (current[row][col] != oldCells[col])
                changes.append({row, col, oldCells[col]});
        }
    }
    return changes;
}
