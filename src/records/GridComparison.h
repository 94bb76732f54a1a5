#pragma once

#include <QDateTime>
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
    // When the check ended that this change is against; invalid when that
    // check's time is not known (a document given to compare with).
    QDateTime since;

    // A partner lost: no longer linking back, gone from the block or closed.
    bool isDrop() const;
    // Against an older check than `previous`, the one the block of friend
    // links was set against (a row not fully checked since).
    bool againstOlderThan(const QDateTime& previous) const;
};

// A cell whose text differs from the same cell of the matching row of an
// earlier check.
struct CellChange {
    qint32 row;
    qint32 col;
    QString before;
    // As for GridChange.
    QDateTime since;
};

// An earlier check of the same shop, as a later one is compared with it:
// when it ended, its friend-link rows and the cell texts of its grid.
struct EarlierCheck {
    QDateTime endedAt;
    CheckedGrid grid;
    QList<QStringList> cellTexts;
};

// What a check found against its earlier checks.
struct ChangesSince {
    QList<GridChange> changes;
    QList<CellChange> cells;
    // The earlier check the block of friend links was set against: the
    // latest that listed its friend links, else the latest of all; -1
    // without any earlier check.
    qsizetype listing = -1;
};

// The kind as the seller reads it, e.g. "不再链接你".
QString kindText(ChangeKind kind);

// Whether any of `changes` is a drop.
bool hasDrop(const QList<GridChange>& changes);

// When a check ended, as the seller reads it beside its changes:
// "12-08 09:30", local time.
QString shortCheckTime(const QDateTime& endedAt);

// "（与 12-06 09:30 的检查相比）" for a change against an older check than
// `previous` (GridChange::againstOlderThan), else nothing.
QString olderCheckNote(const GridChange& change, const QDateTime& previous);

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

// `current` (with the cell texts of its grid) against `earlier`, newest
// first, so that a check that failed, was stopped or got only partway hides
// nothing and invents nothing: links added and removed are against the
// latest earlier check that listed its friend links; each row that is fully
// checked now is compared with the latest earlier check in which its
// matching row was fully checked, looking back as long as every check has
// it, and is not compared when there is none. Each change and changed cell
// says which check it is against.
ChangesSince compareWithEarlier(const QList<EarlierCheck>& earlier, const CheckedGrid& current,
                                const QList<QStringList>& currentCells);
