#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What changed between two checks of the same shop: the final grids of an
// earlier check and of this one, compared row by row on the shop address.

// One friend-link row of a grid, as far as a comparison looks at it.
struct ShopRow {
    // The row's index in its grid.
    qint32 gridRow = 0;
    QString name;
    QString address;
    QString status;
    QString credit;
    QString linksBack;
};

// The friend-link rows of one check's final grid.
struct CheckedGrid {
    QList<ShopRow> rows;
    // Non-empty when the friend links were never listed (the check ended at
    // a message about the own shop page): that message. A link missing from
    // such a grid says nothing about the block.
    QString unlistedReason;
};

enum class ChangeKind {
    Added,          // a link in the block that was not there before
    Removed,        // a link that was there and is gone
    StoppedLinking, // the shop no longer links back
    StartedLinking, // the shop links back now
    Closed,         // the shop no longer exists
    Reopened,       // the shop exists again
    CreditChanged,  // its credit level text changed
    NotCompared,    // the row was not fully checked, now or before
};

struct GridChange {
    ChangeKind kind;
    QString name;
    QString address;
    QString before;
    QString now;

    // A partner lost: no longer linking back, gone from the block or closed.
    bool isDrop() const;
};

// A cell whose text differs from the same cell of the matching row of an
// earlier check.
struct CellChange {
    qint32 row;
    qint32 col;
    QString before;
};

// The kind as the seller reads it, e.g. "不再链接你".
QString kindText(ChangeKind kind);

// The shop was found not to exist, or its page was read to the end.
bool fullyChecked(const ShopRow& row);

// The friend-link rows of a grid given as the cell texts of every row,
// header row first; a data row counts when it has a name or an address.
// `messages` are the texts of the messages the check showed.
CheckedGrid checkedGrid(const QList<QStringList>& cellTexts, const QStringList& messages);

// Rows are matched on the address exactly as written; the n-th row with an
// address matches the n-th row with that address in the other grid. Drops
// come first, then the other changes, each in grid order.
QList<GridChange> compareGrids(const CheckedGrid& previous, const CheckedGrid& current);

// The result cells (columns 1 to 8) of the friend-link rows in `current`
// whose text differs from the matching row in `previous`, both given as
// cell texts of every row, header row first; rows are matched as
// compareGrids() matches them. A row without a match has no changed cells.
QList<CellChange> changedCells(const QList<QStringList>& previous,
                               const QList<QStringList>& current);
