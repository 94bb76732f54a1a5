#include "GridOutput.h"

#include "ResultGrid.h"
#include "TerminalTable.h"
#include "TerminalText.h"

namespace gridoutput {

QString tsv(const ResultGrid& grid) {
    QString out;
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        QStringList texts;
        for (qint32 col = 0; col < grid.Cols(); ++col)
            texts << grid.cell(row, col).text;
        out += terminaltext::tabSeparatedLine(texts);
    }
    return out;
}

QString table(const ResultGrid& grid, bool styled) {
    TerminalTable table(TerminalTable::LineEnd::Padded);
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        QStringList cells;
        QList<TerminalTable::Style> styles;
        for (qint32 col = 0; col < grid.Cols(); ++col) {
            cells << terminaltext::fitWidth(terminaltext::oneLine(grid.cell(row, col).text),
                                            MaxColumnWidth);
            styles << TerminalTable::Style{grid.shownColor(row, col).value_or(0) != 0,
                                           grid.cell(row, col).bold};
        }
        table.addLine(cells, styles);
    }
    return table.text(styled);
}

} // namespace gridoutput
