#include "GridCells.h"

QList<QStringList> cellTexts(const GridCells& cells) {
    QList<QStringList> texts;
    for (const QList<GridCell>& row : cells) {
        QStringList rowTexts;
        for (const GridCell& cell : row)
            rowTexts.append(cell.text);
        texts.append(rowTexts);
    }
    return texts;
}
