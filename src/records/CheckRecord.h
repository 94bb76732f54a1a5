#pragma once

#include "GridCells.h"
#include "GridComparison.h"
#include "RunOutcome.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// What a check's friend-link rows came to.
struct CheckCounts {
    int rows = 0;        // friend-link rows
    int linksBack = 0;   // "√"
    int noLinkBack = 0;  // "×"
    int notExisting = 0; // "不存在"
    int notChecked = 0;  // rows not fully checked
};

// One recorded check without its grid.
struct CheckSummary {
    qint64 id = 0;
    QDateTime endedAt;
    // The address box text as the run left it: normalised, so that "MyShop"
    // and "MYSHOP.taobao.com" are the same shop.
    QString address;
    RunOutcome outcome;
    CheckCounts counts;
};

// One recorded check: how a run ended and the whole grid it left.
struct CheckRecord : CheckSummary {
    // Every grid row, header row first.
    GridCells cells;
    // The grid-wide text colour; none while it is the window-text colour.
    std::optional<quint32> foreColor;

    QList<QStringList> cellTexts() const { return ::cellTexts(cells); }
    // The check as a comparison sees it. A run that never listed its friend
    // links left an earlier run's grid behind: it counts as unlisted, for
    // the reason of its message.
    CheckedGrid checkedGrid() const;
    // The check as a later one is compared with it.
    EarlierCheck asEarlier() const { return {endedAt, checkedGrid(), cellTexts()}; }
};

// Runs that asked for their own shop page are recorded; one that ended at
// an empty address asked for nothing.
bool worthRecording(const RunOutcome& outcome);

// The record of a run that has just ended with `outcome`, leaving `cells`
// under the grid-wide colour `foreColor` and `address` in the window; its
// counts are zero when it never listed its friend links.
CheckRecord recordOf(const GridCells& cells, std::optional<quint32> foreColor,
                     const QString& address, const RunOutcome& outcome, const QDateTime& endedAt);
