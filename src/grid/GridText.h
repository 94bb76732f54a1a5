#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QPoint>
#include <QStringList>

class ResultGrid;

// The grid's texts for the clipboard, a CSV file and standard output.
namespace gridtext {

// The most terminal columns a cell of the aligned table takes.
constexpr int MaxColumnWidth = 40;

// Rows of cell texts.
using Block = QList<QStringList>;

// The smallest rectangle of grid cells holding all `cells` (x column,
// y row); cells inside it that are not listed stay empty.
Block cellBlock(const ResultGrid& grid, const QList<QPoint>& cells);

// The text copied for `cells`: the cells alone, or, when they are every
// cell of the grid outside its fixed row and column, those cells under the
// header row, less the empty rows at the bottom.
Block copiedBlock(const ResultGrid& grid, const QList<QPoint>& cells);

// The header row and every data row with a result or a shop in it; rows
// that hold only their number are left out.
Block exportBlock(const ResultGrid& grid);

// Cells separated by tabs, rows by line feeds; tabs and line breaks inside a
// cell become spaces so that the rows and columns survive pasting.
QString tabSeparated(const Block& block);

// The text copied to the clipboard: tabSeparated() with every cell made
// spreadsheetSafe(), as pasting into a spreadsheet runs formulas too.
QString clipboardText(const Block& block);

// Every grid row as one tab-separated line ended by a line feed, each cell
// as oneLine().
QString tsv(const ResultGrid& grid);

// Every grid row as one line of cells aligned in columns, each cell as
// oneLine() cut to MaxColumnWidth with "…". With `styled`, cells shown in a
// colour of their own or the grid's are red, and bold cells bold, by
// terminal escapes.
QString table(const ResultGrid& grid, bool styled);

// The text with a leading apostrophe when a spreadsheet would run it as a
// formula: when it starts with =, +, -, @, a tab or a carriage return. Shop
// and member names come from strangers' pages.
QString spreadsheetSafe(const QString& text);

// One CSV field: spreadsheetSafe(), and quoted when it holds a comma, quote
// or line break.
QString csvField(const QString& text);

// A CSV file in UTF-8 with a byte order mark, lines ended by CR LF.
QByteArray csvDocument(const Block& block);

// The name suggested for an export made on `date`:
// "友情链接-<address box text>-<yyyy-MM-dd>.csv", the text trimmed and cut to
// a length any file system holds, with / \ : * ? " < > | and control
// characters replaced by "_"; without the text when it is empty.
QString exportFileName(const QString& addressBoxText, QDate date);

} // namespace gridtext
