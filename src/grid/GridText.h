#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QPoint>
#include <QStringList>

class ResultGrid;

// The grid's texts for the clipboard and a CSV file.
namespace gridtext {

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
