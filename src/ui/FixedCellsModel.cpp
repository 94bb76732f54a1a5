#include "FixedCellsModel.h"

#include "ResultGrid.h"

FixedCellsModel::FixedCellsModel(const ResultGrid& grid, const QColor& cellBackground,
                                 QObject* parent)
    : QAbstractTableModel(parent)
    , grid_(grid)
    , cellBackground_(cellBackground) {
    connect(&grid, &ResultGrid::dataChanged, this, &FixedCellsModel::gridDataChanged);
    connect(&grid, &ResultGrid::rowsAboutToBeInserted, this,
            [this](const QModelIndex&, int first, int last) {
                beginInsertRows({}, first - 1, last - 1);
            });
    connect(&grid, &ResultGrid::rowsInserted, this, [this] { endInsertRows(); });
}

int FixedCellsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.Rows() - 1;
}

int FixedCellsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.Cols() - 1;
}

QVariant FixedCellsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::BackgroundRole)
        return cellBackground_;
    return grid_.data(grid_.index(gridRow(index), gridCol(index)), role);
}

QVariant FixedCellsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return grid_.cell(0, section + 1).text;
    return grid_.cell(section + 1, 0).text;
}

Qt::ItemFlags FixedCellsModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// Splits a change of grid cells into header and body changes.
void FixedCellsModel::gridDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                      const QList<int>& roles) {
    const int top = qMax(topLeft.row(), 1) - 1;
    const int left = qMax(topLeft.column(), 1) - 1;
    const int bottom = bottomRight.row() - 1;
    const int right = bottomRight.column() - 1;
    if (topLeft.row() == 0 && left <= right)
        emit headerDataChanged(Qt::Horizontal, left, right);
    if (topLeft.column() == 0 && top <= bottom)
        emit headerDataChanged(Qt::Vertical, top, bottom);
    if (top <= bottom && left <= right)
        emit dataChanged(index(top, left), index(bottom, right), roles);
}
