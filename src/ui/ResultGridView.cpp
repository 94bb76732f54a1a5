#include "ResultGridView.h"

#include "ChineseFont.h"
#include "GridColumns.h"
#include "GridText.h"
#include "Notice.h"
#include "ResultGrid.h"
#include "Twips.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QSaveFile>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

namespace {

constexpr int RowHeightTwips = 270;

// Fixed cells in the button face with black lines between them; grey lines
// between the other cells and grey beyond the last row and column.
const QString GridStyle =
    QStringLiteral("QTableView, QHeaderView { gridline-color: rgb(192, 192, 192);"
                   " background-color: rgb(128, 128, 128); }"
                   "QHeaderView::section, QTableCornerButton::section {"
                   " background-color: palette(button); color: palette(button-text);"
                   " border: none; border-right: 1px solid black; border-bottom: 1px solid black;"
                   " padding: 0px 2px; }");

// Paints every cell on the window colour; the view's own grey shows only
// beyond the last row and column.
class WindowColourCells : public QStyledItemDelegate {
public:
    WindowColourCells(const QColor& background, QObject* parent)
        : QStyledItemDelegate(parent)
        , background_(background) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->backgroundBrush = background_;
    }

private:
    QColor background_;
};

} // namespace

ResultGridView::ResultGridView(ResultGrid& grid, QWidget* parent)
    : QTableView(parent)
    , grid_(grid)
    , copyAction_(new QAction(QStringLiteral("复制"), this))
    , exportAction_(new QAction(QStringLiteral("导出为CSV…"), this)) {
    setModel(&grid);
    // Row 0 and column 0 show as the header sections instead.
    setRowHidden(0, true);
    setColumnHidden(0, true);
    setItemDelegate(new WindowColourCells(QApplication::palette().color(QPalette::Base), this));
    setFont(chineseFont(9));
    setStyleSheet(GridStyle);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);

    const int rowHeight = twips::toPixels(RowHeightTwips);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setFixedHeight(rowHeight);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
    for (int col = 0; col < grid.Cols(); ++col)
        applyColumnWidth(col);
    connect(&grid, &ResultGrid::columnWidthChanged, this, &ResultGridView::applyColumnWidth);

    verticalScrollBar()->installEventFilter(this);
    for (QWidget* surface :
         {viewport(), horizontalHeader()->viewport(), verticalHeader()->viewport()}) {
        surface->setMouseTracking(true);
        surface->installEventFilter(this);
    }

    copyAction_->setShortcut(QKeySequence::Copy);
    copyAction_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copyAction_, &QAction::triggered, this, &ResultGridView::copySelection);
    addAction(copyAction_);
    connect(exportAction_, &QAction::triggered, this, &ResultGridView::chooseExportFile);
}

QString ResultGridView::selectedText() const {
    QList<QPoint> cells;
    for (const QModelIndex& index : selectedIndexes())
        cells << QPoint(index.column(), index.row());
    return gridtext::clipboardText(gridtext::copiedBlock(grid_, cells));
}

void ResultGridView::copySelection() const {
    if (selectionModel()->hasSelection())
        QApplication::clipboard()->setText(selectedText());
}

bool ResultGridView::exportCsv(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(gridtext::csvDocument(gridtext::exportBlock(grid_)));
    return file.commit();
}

// Lays out the rows added since the last paint first: the scroll range
// would otherwise still end at the old last row.
void ResultGridView::showRow(int row) {
    executeDelayedItemsLayout();
    scrollTo(grid_.index(row, gridcol::ShopName));
}

bool ResultGridView::cellTextIsCut(const QModelIndex& index) const {
    if (!index.isValid() || index.data().toString().isEmpty())
        return false;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return itemDelegateForIndex(index)->sizeHint(option, index).width() >
           columnWidth(index.column());
}

// Pointer movements over the cells and the fixed cells, in the grid's own
// coordinates; the vertical scroll bar coming and going.
bool ResultGridView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == verticalScrollBar()) {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
            applyColumnWidth(gridcol::Address);
    } else if (event->type() == QEvent::MouseMove) {
        const auto* surface = static_cast<QWidget*>(watched);
        const auto* move = static_cast<QMouseEvent*>(event);
        emit pointerMoved(twips::fromPixels(surface->mapTo(this, move->position())));
    }
    return QTableView::eventFilter(watched, event);
}

void ResultGridView::setCellNotes(const QHash<QPoint, QString>& notes) {
    cellNotes_ = notes;
}

QString ResultGridView::toolTipText(const QModelIndex& index) const {
    QStringList lines;
    if (cellTextIsCut(index))
        lines.append(index.data().toString());
    if (const QString why = index.data(Qt::ToolTipRole).toString(); !why.isEmpty())
        lines.append(why);
    if (const auto note = cellNotes_.find(QPoint(index.column(), index.row()));
        index.isValid() && note != cellNotes_.end())
        lines.append(*note);
    return lines.join(u'\n');
}

void ResultGridView::addContextActions(const QList<QAction*>& actions) {
    for (QAction* action : actions)
        moreActions_.append(action);
}

bool ResultGridView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    if (const QString text = toolTipText(index); !text.isEmpty())
        QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

void ResultGridView::contextMenuEvent(QContextMenuEvent* event) {
    copyAction_->setEnabled(selectionModel()->hasSelection());
    QMenu menu(this);
    menu.addAction(copyAction_);
    menu.addAction(exportAction_);
    // Actions whose owner has gone are left out.
    QList<QAction*> more;
    for (QAction* action : moreActions_) {
        if (action != nullptr)
            more.append(action);
    }
    if (!more.isEmpty()) {
        menu.addSeparator();
        menu.addActions(more);
    }
    menu.exec(event->globalPos());
}

// While the vertical scroll bar shows, the address column gives up its
// width, so that the columns right of it stay whole in view.
void ResultGridView::applyColumnWidth(int col) {
    int width = twips::toPixels(grid_.ColWidth(col));
    if (col == gridcol::Address && verticalScrollBar()->isVisibleTo(this))
        width = std::max(0, width - verticalScrollBar()->sizeHint().width());
    if (col == 0)
        verticalHeader()->setFixedWidth(width);
    else
        setColumnWidth(col, width);
}

// The dialog opens in the documents folder (the home folder where there is
// none) and returns at once; the export follows when a file is chosen.
void ResultGridView::chooseExportFile() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString subject = exportSubject_ ? exportSubject_() : QString();
    auto* dialog = new QFileDialog(this, QStringLiteral("导出为CSV"), folder,
                                   QStringLiteral("CSV 文件 (*.csv)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->selectFile(gridtext::exportFileName(subject, QDate::currentDate()));
    connect(dialog, &QFileDialog::fileSelected, this, &ResultGridView::exportTo);
    dialog->open();
}

void ResultGridView::exportTo(const QString& path) {
    if (!exportCsv(path))
        showNotice(this, QStringLiteral("无法保存文件：") + path);
}
