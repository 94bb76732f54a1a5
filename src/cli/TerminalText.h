#pragma once

#include <QString>
#include <QStringList>

// Page text made fit for one line of a terminal.
namespace terminaltext {

// Tabs and line breaks (line and paragraph separators included) become
// spaces; other control characters (escape among them, which would let a
// page drive the terminal) and the marks, embeddings, overrides and isolates
// of bidirectional text (which would let a page reorder what the line shows)
// become U+FFFD.
QString oneLine(const QString& text);

// Columns a text takes on a terminal, by the C library's UTF-8 character
// widths whatever the user's locale: 2 for a wide character, 0 for a
// combining mark, 1 for anything else.
int displayWidth(const QString& text);

// The text cut to at most `maxWidth` columns; a text that was cut ends in "…".
QString fitWidth(const QString& text, int maxWidth);

// One line of tab-separated fields, each as oneLine(), ended by a line feed.
QString tabSeparatedLine(const QStringList& fields);

} // namespace terminaltext
