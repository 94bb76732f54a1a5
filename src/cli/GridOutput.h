#pragma once

#include <QString>

class ResultGrid;

// The results grid as zembrel-check prints it.
namespace gridoutput {

// The most terminal columns a cell of the aligned table takes.
constexpr int MaxColumnWidth = 40;

// Every grid row as one tab-separated line ended by a line feed, each cell
// as terminaltext::oneLine().
QString tsv(const ResultGrid& grid);

// Every grid row as one line of cells aligned in columns, each cell as
// terminaltext::oneLine() cut to MaxColumnWidth with "…". With `styled`,
// cells shown in a colour of their own or the grid's are red, and bold
// cells bold, by terminal escapes.
QString table(const ResultGrid& grid, bool styled);

} // namespace gridoutput
