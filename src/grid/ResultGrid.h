#pragma once

#include "GridCells.h"
#include "GridColumns.h"
#include "ResultTable.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <optional>

// The results table of the main window: a model with row 0 as the header
// row, column 0 as the row numbers, a current-cell cursor that only the
// engine moves, and per-cell text, colour, bold flag and note. Views see the
// colour rule through Qt::ForegroundRole and Qt::FontRole, the note through
// Qt::ToolTipRole, and the texts of
// row 0 and column 0 also as the header sections of their columns and rows.
class ResultGrid : public QAbstractTableModel, public ResultTable {
    Q_OBJECT

public:
    using Cell = GridCell;

    explicit ResultGrid(QObject* parent = nullptr);

    // ResultTable
    qint32 Rows() const override { return qint32(cells_.size()); }
    qint32 Cols() const override { return gridcol::Count; }
    qint32 Row() const override { return row_; }
    void setRow(qint32 row) override;
    qint32 Col() const override { return col_; }
    void setCol(qint32 col) override;
    QString Text() const override { return current().text; }
    void setText(const QString& text) override;
    void setCellForeColor(quint32 color) override;
    void setCellFontBold(bool bold) override;
    void setCellNote(const QString& note) override;
    void setForeColor(quint32 color) override;
    void AddItem(const QString& text) override;
    void setColWidth(qint32 col, qint32 twips) override;

    quint32 CellForeColor() const { return current().color; }
    bool CellFontBold() const { return current().bold; }
    // The grid-wide text colour; no value while it is the window-text colour.
    std::optional<quint32> ForeColor() const { return foreColor_; }
    qint32 ColWidth(qint32 col) const { return colWidths_.at(col); }

    const Cell& cell(qint32 row, qint32 col) const { return cells_.at(row).at(col); }
    // Every row, header row first.
    const GridCells& cells() const { return cells_; }
    static bool isFixed(qint32 row, qint32 col) { return row == 0 || col == 0; }
    // The colour a cell's text is shown in: none for the fixed cells and
    // for cells without a colour of their own under no grid-wide colour.
    std::optional<quint32> shownColor(qint32 row, qint32 col) const;
    // A colour value (red in the lowest byte) as a QColor.
    static QColor toQColor(quint32 color);

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void columnWidthChanged(int col);

private:
    const Cell& current() const { return cells_.at(row_).at(col_); }
    Cell& current() { return cells_[row_][col_]; }
    void currentChanged(int role);

    GridCells cells_;
    QList<qint32> colWidths_;
    std::optional<quint32> foreColor_;
    qint32 row_ = 0;
    qint32 col_ = 0;
};
