#include "TerminalTable.h"

#include "TerminalText.h"

#include <algorithm>

namespace {

QString inStyle(const QString& text, TerminalTable::Style style) {
    QString codes;
    if (style.red)
        codes += QStringLiteral("\x1b[31m");
    if (style.bold)
        codes += QStringLiteral("\x1b[1m");
    return codes.isEmpty() ? text : codes + text + QStringLiteral("\x1b[0m");
}

} // namespace

TerminalTable::TerminalTable(LineEnd end)
    : end_(end) {}

void TerminalTable::addLine(const QStringList& cells, const QList<Style>& cellStyles,
                            Style lineStyle) {
    Line line{cells, {}, cellStyles, lineStyle};
    for (qsizetype col = 0; col < cells.size(); ++col) {
        line.widths.append(terminaltext::displayWidth(cells[col]));
        if (col == columnWidths_.size())
            columnWidths_.append(0);
        columnWidths_[col] = std::max(columnWidths_[col], line.widths[col]);
    }
    lines_.append(line);
}

QString TerminalTable::text(bool styled) const {
    QString out;
    for (const Line& line : lines_) {
        QString text;
        for (qsizetype col = 0; col < line.cells.size(); ++col) {
            QString cell = line.cells[col];
            if (col + 1 < line.cells.size())
                cell += QString(columnWidths_[col] - line.widths[col] + 2, u' ');
            text += styled ? inStyle(cell, line.cellStyles.value(col)) : cell;
        }
        if (end_ == LineEnd::SpacesCut) {
            while (text.endsWith(u' '))
                text.chop(1);
        }
        out += (styled ? inStyle(text, line.lineStyle) : text) + u'\n';
    }
    return out;
}
