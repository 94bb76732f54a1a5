#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <optional>

class HeadlessWindow;
class ResultGrid;

// The results of a check as text for standard output.
namespace gridoutput {

// The most terminal columns a cell of the table takes.
constexpr int MaxColumnWidth = 40;

// Every grid row as one line of cells aligned in columns, each cell as
// oneLine() cut to MaxColumnWidth with "…". With `styled`, red cells are
// coloured and bold cells made bold with terminal escapes.
QString table(const ResultGrid& grid, bool styled);

// Every grid row as one line, cells separated by tabs; cells as oneLine().
QString tsv(const ResultGrid& grid);

// The window's final state as one JSON document (address box, buttons,
// stop flag, messages shown and the whole grid), followed by a line break.
// With `changes`, the document also holds them as "changes".
QByteArray json(const HeadlessWindow& window,
                const std::optional<QJsonArray>& changes = std::nullopt);

// Page text made safe for one line of a terminal: tabs and line breaks
// (line and paragraph separators included) become spaces; other control
// characters (escape among them, which would let a page drive the terminal)
// and the marks, embeddings, overrides and isolates of bidirectional text
// (which would let a page reorder what the line shows) become U+FFFD.
QString oneLine(const QString& text);

// Columns a text takes on a terminal, by the C library's UTF-8 character
// widths whatever the user's locale: 2 for a wide character, 0 for a
// combining mark, 1 for anything else.
int displayWidth(const QString& text);

} // namespace gridoutput
