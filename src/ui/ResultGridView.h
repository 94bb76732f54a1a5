#pragma once

#include <QHash>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QTableView>
#include <functional>

class ResultGrid;

// The results grid on screen: row 0 and column 0 of the ResultGrid drawn as
// fixed cells (the grid's header sections) that stay in view, the grid's
// column widths, its colour rule and bold flags. The user can select cells, copy them (Ctrl+C; the
// whole grid with its header row) and export the grid as CSV from the context menu; none of this
// moves the grid's own current cell, which belongs to the analysis run.
class ResultGridView : public QTableView {
    Q_OBJECT

public:
    explicit ResultGridView(ResultGrid& grid, QWidget* parent = nullptr);

    // The text the suggested export file name is made of, asked for each
    // time the export dialog opens; none by default.
    void setExportSubject(std::function<QString()> subject) { exportSubject_ = std::move(subject); }

    // The selected cells as tab-separated text, each guarded against running
    // as a spreadsheet formula as in the CSV export.
    QString selectedText() const;
    void copySelection() const;
    // Writes the grid as a CSV file; false when the file cannot be written.
    bool exportCsv(const QString& path) const;

    // Scrolls so that grid row `row` is in view, rows just added included.
    void showRow(int row);

    // True when `index`'s text is wider than its column shows.
    bool cellTextIsCut(const QModelIndex& index) const;

    // Notes on single cells, keyed by column (x) and grid row (y), shown in
    // their tooltips; the new set replaces the old one.
    void setCellNotes(const QHash<QPoint, QString>& notes);
    // The tooltip of `index`: its whole text when the column cuts it, then
    // why the run marked it so (the grid's note), then its note.
    QString toolTipText(const QModelIndex& index) const;

    // Adds `actions` at the end of the context menu, after a separator.
    void addContextActions(const QList<QAction*>& actions);

signals:
    // The pointer moved over the grid, at this point in twips measured from
    // the grid's own top-left corner.
    void pointerMoved(const QPointF& position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void applyColumnWidth(int col);
    void chooseExportFile();
    void exportTo(const QString& path);

    ResultGrid& grid_;
    QAction* copyAction_;
    QAction* exportAction_;
    std::function<QString()> exportSubject_;
    QHash<QPoint, QString> cellNotes_;
    QList<QPointer<QAction>> moreActions_;
};
