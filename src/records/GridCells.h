#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One cell of the results grid as plain values: its text, its own colour
// (red in the lowest byte, 0 for none), whether it is bold, and its note.
struct GridCell {
    QString text;
    quint32 color = 0;
    bool bold = false;
    // Why the cell shows what it shows, if the run said; its tooltip. Not
    // kept in the history.
    QString note;
};

// Every row of a grid, header row first.
using GridCells = QList<QList<GridCell>>;

// The cell texts of every row, header row first.
QList<QStringList> cellTexts(const GridCells& cells);
