#pragma once

#include <QString>
#include <array>

class ResultTable;

// The results grid's columns.
namespace gridcol {
enum : qint32 {
    Number = 0,
    ShopName = 1,
    Address = 2,
    Status = 3,
    Member = 4,
    Credit = 5,
    Rate = 6,
    Created = 7,
    LinksBack = 8,
    Count = 9,
};
} // namespace gridcol

struct ColumnSetup {
    const char16_t* header;
    qint32 widthTwips;
};

// Header text and width (twips) of each column; column 0 has no header.
extern const std::array<ColumnSetup, gridcol::Count> ResultColumns;

// Writes the header row and sets the column widths, as the window does once
// when it loads.
void setUpResultColumns(ResultTable& grid);
