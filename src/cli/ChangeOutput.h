#pragma once

#include "GridComparison.h"

#include <QJsonArray>
#include <QList>
#include <QString>

// The changes since the previous check, as text that follows the grid.
namespace changeoutput {

// Each output names the check a change is against only when it is not
// `previous`, the check the block of friend links was set against (an older
// one, for a row not fully checked since).

// An empty line, the heading "与上次相比", then one line per change with
// its kind, shop name, address and "before → now" in aligned columns, or
// "没有变化". With `styled`, drops are red.
QString table(const QList<GridChange>& changes, bool styled, const QDateTime& previous = {});

// The heading, then "没有上次的记录": there was no earlier check to compare with.
QString tableWithoutPrevious();

// An empty line, then one line per change: kind, name, address, before and
// now, and the time of the check it is against when that is not
// `previous`, separated by tabs; texts as terminaltext::oneLine().
QString tsv(const QList<GridChange>& changes, const QDateTime& previous = {});

// One object per change with "kind", "name", "address", "before", "now"
// and, when known, "since": the time of the check it is against.
QJsonArray json(const QList<GridChange>& changes);

} // namespace changeoutput
