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
    void compareRows(const ShopRow& before, const ShopRow& now, const QDateTime& since) {
        if (!fullyChecked(before) || !fullyChecked(now)) {
            add(ChangeKind::NotCompared, now, checkState(before), checkState(now), since);
            return;
        }
        if (before.status != now.status) {
            add(now.status == runtext::NotExisting ? ChangeKind::Closed : ChangeKind::Reopened, now,
                before.status, now.status, since);
            return;
        }
        if (now.status != runtext::Normal)
            return;
        if (before.linksBack == runtext::LinksBack && now.linksBack == runtext::NoLinkBack)
            add(ChangeKind::StoppedLinking, now, before.linksBack, now.linksBack, since);
        if (before.linksBack == runtext::NoLinkBack && now.linksBack == runtext::LinksBack)
            add(ChangeKind::StartedLinking, now, before.linksBack, now.linksBack, since);
        if (before.credit != now.credit)
            add(ChangeKind::CreditChanged, now, before.credit, now.credit, since);
    }

    void add(ChangeKind kind, const ShopRow& row, const QString& before, const QString& now,
             const QDateTime& since) {
        changes_.append({kind, row.name, row.address, before, now, since});
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

bool GridChange::againstOlderThan(const QDateTime& previous) const {
    return since.isValid() && since != previous;
}

bool hasDrop(const QList<GridChange>& changes) {
    return std::ranges::any_of(changes, &GridChange::isDrop);
}

QString shortCheckTime(const QDateTime& endedAt) {
    return endedAt.toLocalTime().toString(QStringLiteral("MM-dd HH:mm"));
}

QString olderCheckNote(const GridChange& change, const QDateTime& previous) {
    if (!change.againstOlderThan(previous))
        return {};
    return QStringLiteral("（与 %1 的检查相比）").arg(shortCheckTime(change.since));
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
    return compareWithEarlier({{QDateTime(), previous, {}}}, current, {}).changes;
}

namespace {

// The result cells of `now`'s grid row that differ from `before`'s.
void addChangedCells(QList<CellChange>& cells, const QList<QStringList>& beforeCells,
                     const ShopRow& before, const QList<QStringList>& nowCells, const ShopRow& now,
                     const QDateTime& since) {
    if (before.gridRow >= beforeCells.size() || now.gridRow >= nowCells.size())
        return;
    const QStringList& oldTexts = beforeCells[before.gridRow];
    const QStringList& newTexts = nowCells[now.gridRow];
    for (qint32 col = gridcol::ShopName; col < gridcol::Count; ++col) {
        if (col < oldTexts.size() && col < newTexts.size() && newTexts[col] != oldTexts[col])
            cells.append({now.gridRow, col, oldTexts[col], since});
    }
}

} // namespace

ChangesSince compareWithEarlier(const QList<EarlierCheck>& earlier, const CheckedGrid& current,
                                const QList<QStringList>& currentCells) {
    ChangesSince result;
    if (earlier.isEmpty())
        return result;
    const auto listed = std::find_if(earlier.begin(), earlier.end(), [](const EarlierCheck& check) {
        return check.grid.unlistedReason.isEmpty();
    });
    result.listing = listed == earlier.end() ? 0 : listed - earlier.begin();
    const EarlierCheck& listing = earlier[result.listing];
    const QDateTime& since = listing.endedAt;
    Comparison comparison;

    // Without an earlier list of friend links, or without this one, no row
    // can be set against another.
    if (!listing.grid.unlistedReason.isEmpty() || !current.unlistedReason.isEmpty()) {
        for (const ShopRow& row : current.rows)
            comparison.add(ChangeKind::NotCompared, row, listing.grid.unlistedReason,
                           checkState(row), since);
        if (listing.grid.unlistedReason.isEmpty()) {
            for (const ShopRow& row : listing.grid.rows)
                comparison.add(ChangeKind::NotCompared, row, checkState(row),
                               current.unlistedReason, since);
        }
        result.changes = comparison.dropsFirst();
        return result;
    }

    // The matches of the current rows in each earlier check that listed its
    // friend links, newest first.
    QList<const EarlierCheck*> checks;
    QList<QList<qsizetype>> matches;
    for (auto check = listed; check != earlier.end(); ++check) {
        if (check->grid.unlistedReason.isEmpty()) {
            checks.append(&*check);
            matches.append(matchRows(check->grid, current));
        }
    }
    QList<bool> matched(listing.grid.rows.size(), false);
    for (qsizetype at = 0; at < current.rows.size(); ++at) {
        const ShopRow& row = current.rows[at];
        const qsizetype inListing = matches[0][at];
        if (inListing < 0) {
            comparison.add(ChangeKind::Added, row, {}, {}, since);
            continue;
        }
        matched[inListing] = true;
        // The latest earlier check, as long as each has the row, in which
        // it was fully checked; else the latest listed one, checks[0].
        qsizetype reference = 0;
        for (qsizetype back = 0; fullyChecked(row) && back < checks.size(); ++back) {
            const qsizetype match = matches[back][at];
            if (match < 0)
                break;
            if (fullyChecked(checks[back]->grid.rows[match])) {
                reference = back;
                break;
            }
        }
        const EarlierCheck& check = *checks[reference];
        const ShopRow& before = check.grid.rows[matches[reference][at]];
        comparison.compareRows(before, row, check.endedAt);
        addChangedCells(result.cells, check.cellTexts, before, currentCells, row, check.endedAt);
    }
    for (qsizetype index = 0; index < listing.grid.rows.size(); ++index) {
        if (!matched[index])
            comparison.add(ChangeKind::Removed, listing.grid.rows[index], {}, {}, since);
    }
    result.changes = comparison.dropsFirst();
    return result;
}
