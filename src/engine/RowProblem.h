#pragma once

#include "PageServices.h"

#include <QString>

// How a row shows a page that belongs to its own address and could not be
// had or read: a red status of its own and a note that says why. The run
// goes on with the next row.
struct RowProblemMark {
    QString status;
    QString note;
};

// For a page service's failure that is a row problem (PageResult::isRowProblem).
RowProblemMark rowProblemMark(const PageResult& page);

// For a page that is no shop page of a known layout.
RowProblemMark unreadableMark(const QString& page);
