#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How a cell or a whole line is shown on a terminal that shows styles.
struct TerminalStyle {
    bool red = false;
    bool bold = false;
};

// Lines of cells in columns aligned on a terminal: every cell but a line's
// last is followed by spaces up to the display width of its column's widest
// cell, and two more. The cells are shown as given: make them one line
// first (terminaltext::oneLine).
class TerminalTable {
public:
    using Style = TerminalStyle;
    enum class LineEnd {
        // A line keeps the spaces after its cells.
        Padded,
        // A line ends at its last character that is not a space (spaces
        // inside a styled cell stay).
        SpacesCut,
    };

    explicit TerminalTable(LineEnd end);

    // `cellStyles` are cell by cell, each with the spaces after it;
    // `lineStyle` is the whole line's.
    void addLine(const QStringList& cells, const QList<Style>& cellStyles = {},
                 Style lineStyle = {});

    // Every line ended by a line feed; with `styled`, in their styles, by
    // terminal escapes.
    QString text(bool styled) const;

private:
    struct Line {
        QStringList cells;
        QList<int> widths;
        QList<Style> cellStyles;
        Style lineStyle;
    };

    LineEnd end_;
    QList<Line> lines_;
    QList<int> columnWidths_;
};
