#pragma once

#include <QAbstractTableModel>
#include <QColor>

class ResultGrid;

// Shows a ResultGrid to a table view with its fixed cells as headers: grid
// row 0 becomes the horizontal header, grid column 0 the vertical header,
// and the other cells the body, one row and one column up. The headers then
// stay in view while the body scrolls.
class FixedCellsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // `cellBackground` fills the body's cells; the view's own background
    // shows beyond the last row and column.
    FixedCellsModel(const ResultGrid& grid, const QColor& cellBackground,
                    QObject* parent = nullptr);

    // Grid row and column of a body index.
    static int gridRow(const QModelIndex& index) { return index.row() + 1; }
    static int gridCol(const QModelIndex& index) { return index.column() + 1; }
    // Body row of a grid row.
    static int bodyRow(int gridRow) { return gridRow - 1; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void gridDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                         const QList<int>& roles);

    const ResultGrid& grid_;
    QColor cellBackground_;
};
