#pragma once

#include "GridColumns.h"

#include <QString>
#include <array>

class ResultTable;

struct ColumnSetup {
    const char16_t* header;
    qint32 widthTwips;
};

// Header text and width (twips) of each column; column 0 has no header.
extern const std::array<ColumnSetup, gridcol::Count> ResultColumns;

// Writes the header row and sets the column widths, as the window does once
// when it loads.
void setUpResultColumns(ResultTable& grid);
