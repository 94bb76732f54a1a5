#include "ResultGrid.h"

#include <QFont>

ResultGrid::ResultGrid(QObject* parent)
    : QAbstractTableModel(parent)
    , cells_(2, QList<Cell>(gridcol::Count))
    , colWidths_(gridcol::Count, 0) {}

void ResultGrid::setRow(qint32 row) {
    Q_ASSERT(row >= 0 && row < Rows());
    row_ = row;
}

void ResultGrid::setCol(qint32 col) {
    Q_ASSERT(col >= 0 && col < Cols());
    col_ = col;
}

void ResultGrid::setText(const QString& text) {
    current().text = text;
    currentChanged(Qt::DisplayRole);
}

void ResultGrid::setCellForeColor(quint32 color) {
    current().color = color;
    currentChanged(Qt::ForegroundRole);
}

void ResultGrid::setCellFontBold(bool bold) {
    current().bold = bold;
    currentChanged(Qt::FontRole);
}

void ResultGrid::setCellNote(const QString& note) {
    current().note = note;
    currentChanged(Qt::ToolTipRole);
}

void ResultGrid::setForeColor(quint32 color) {
    foreColor_ = color;
    emit dataChanged(index(0, 0), index(Rows() - 1, Cols() - 1), {Qt::ForegroundRole});
}

void ResultGrid::AddItem(const QString& text) {
    const qint32 row = Rows();
    beginInsertRows({}, row, row);
    cells_.append(QList<Cell>(gridcol::Count));
    cells_.last()[0].text = text;
    endInsertRows();
}

void ResultGrid::setColWidth(qint32 col, qint32 twips) {
    colWidths_[col] = twips;
    emit columnWidthChanged(col);
}

// Fixed cells keep the fixed-cell colour; others their own colour, else the
// grid-wide one, else the view's window-text colour.
std::optional<quint32> ResultGrid::shownColor(qint32 row, qint32 col) const {
    if (isFixed(row, col))
        return std::nullopt;
    if (const quint32 own = cell(row, col).color; own != 0)
        return own;
    return foreColor_;
}

QColor ResultGrid::toQColor(quint32 color) {
    return QColor(int(color & 0xff), int((color >> 8) & 0xff), int((color >> 16) & 0xff));
}

int ResultGrid::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Rows();
}

int ResultGrid::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Cols();
}

QVariant ResultGrid::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Cell& c = cell(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
        return c.text;
    case Qt::ForegroundRole:
        if (const std::optional<quint32> color = shownColor(index.row(), index.column()))
            return toQColor(*color);
        return {};
    case Qt::FontRole:
        if (c.bold) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ToolTipRole:
        return c.note.isEmpty() ? QVariant() : QVariant(c.note);
    default:
        return {};
    }
}

// Header sections show their fixed cell's text, centred, in the header's own
// colours.
QVariant ResultGrid::headerData(int section, Qt::Orientation orientation, int role) const {
    const bool horizontal = orientation == Qt::Horizontal;
    if (section < 0 || section >= (horizontal ? Cols() : Rows()))
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    return horizontal ? cell(0, section).text : cell(section, 0).text;
}

Qt::ItemFlags ResultGrid::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void ResultGrid::currentChanged(int role) {
    const QModelIndex changed = index(row_, col_);
    emit dataChanged(changed, changed, {role});
    if (role != Qt::DisplayRole)
        return;
    if (row_ == 0)
        emit headerDataChanged(Qt::Horizontal, col_, col_);
    if (col_ == 0)
        emit headerDataChanged(Qt::Vertical, row_, row_);
}
