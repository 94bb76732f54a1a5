#include "ResultColumns.h"
#include "ResultGrid.h"
#include "ResultGridView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

namespace {

void write(ResultGrid& grid, qint32 row, qint32 col, const QString& text) {
    grid.setRow(row);
    grid.setCol(col);
    grid.setText(text);
}

// A grid as the window has it after loading, with two listed shops.
struct ListedGrid {
    ResultGrid grid;
    ResultGridView view{grid};

    ListedGrid() {
        setUpResultColumns(grid);
        write(grid, 1, 0, "1");
        write(grid, 1, 1, "店铺一");
        write(grid, 1, 2, "http://a.taobao.com");
        grid.AddItem("2");
        write(grid, 2, 1, "=店铺二");
        write(grid, 2, 2, "http://b.taobao.com");
        grid.AddItem("3");
        view.resize(841, 537);
    }

    QModelIndex body(int row, int col) const { return grid.index(row, col); }
};

} // namespace

class TestResultGridView : public QObject {
    Q_OBJECT

private slots:
    void fixedCellsAreHeaders();
    void columnWidthsInPixels();
    void verdictStaysWholeBesideTheScrollBar();
    void cellsOnTheWindowColour();
    void boldFlagKeepsTheGridFont();
    void userNeverMovesTheCurrentCell();
    void copySelection();
    void copyWholeGrid();
    void exportCsv();
    void exportDialogOpensInDocumentsWithAName();
    void tooltipOnlyWhenTheColumnCutsTheText_data();
    void tooltipOnlyWhenTheColumnCutsTheText();
    void pointerInGridCoordinates();
};

void TestResultGridView::fixedCellsAreHeaders() {
    ListedGrid g;
    QVERIFY(g.view.isRowHidden(0));
    QVERIFY(g.view.isColumnHidden(0));
    const QHeaderView* columns = g.view.horizontalHeader();
    const QHeaderView* rows = g.view.verticalHeader();
    const QAbstractItemModel* model = columns->model();
    QCOMPARE(model->headerData(columns->logicalIndex(1), Qt::Horizontal).toString(),
             QStringLiteral("店铺名称"));
    QCOMPARE(model->headerData(columns->logicalIndex(8), Qt::Horizontal).toString(),
             QStringLiteral("是否将你加入友情链接"));
    QCOMPARE(model->headerData(rows->logicalIndex(2), Qt::Vertical).toString(),
             QStringLiteral("2"));

    QSignalSpy headerChanged(model, &QAbstractItemModel::headerDataChanged);
    write(g.grid, 1, 0, "9");
    QCOMPARE(headerChanged.size(), 1);
    QCOMPARE(model->headerData(1, Qt::Vertical).toString(), QStringLiteral("9"));
}

void TestResultGridView::columnWidthsInPixels() {
    ListedGrid g;
    QCOMPARE(g.view.verticalHeader()->width(), 20);
    const QList<int> widths{133, 193, 64, 93, 64, 64, 82, 125};
    for (int col = 0; col < widths.size(); ++col)
        QCOMPARE(g.view.columnWidth(col + 1), widths[col]);

    g.grid.setColWidth(3, 1500);
    QCOMPARE(g.view.columnWidth(3), 100);
}

// The vertical scroll bar takes its width from the address column, so that
// no horizontal scroll bar appears and the verdict column stays whole.
void TestResultGridView::verdictStaysWholeBesideTheScrollBar() {
    ListedGrid g;
    g.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    const int addressWidth = g.view.columnWidth(gridcol::Address);
    for (int row = 4; row <= 40; ++row)
        g.grid.AddItem(QString::number(row));

    QTRY_VERIFY(g.view.verticalScrollBar()->isVisible());
    QVERIFY(!g.view.horizontalScrollBar()->isVisible());
    QVERIFY(g.view.viewport()->rect().contains(g.view.visualRect(g.body(1, gridcol::LinksBack))));
    QCOMPARE(g.view.columnWidth(gridcol::Address),
             addressWidth - g.view.verticalScrollBar()->width());
}

// Cells are painted on the window colour, the view's grey shows below them.
void TestResultGridView::cellsOnTheWindowColour() {
    ListedGrid g;
    g.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    const QImage shown = g.view.viewport()->grab().toImage();
    const QRect emptyCell = g.view.visualRect(g.body(3, 5));
    QCOMPARE(shown.pixelColor(emptyCell.center()), QApplication::palette().color(QPalette::Base));
    QCOMPARE(shown.pixelColor(emptyCell.center() + QPoint(0, 3 * emptyCell.height())),
             QColor(128, 128, 128));
}

void TestResultGridView::boldFlagKeepsTheGridFont() {
    ListedGrid g;
    g.grid.setRow(2);
    g.grid.setCol(8);
    g.grid.setCellFontBold(true);

    const QFont cellFont = qvariant_cast<QFont>(g.body(2, 8).data(Qt::FontRole));
    const QFont drawn = cellFont.resolve(g.view.font());
    QVERIFY(drawn.bold());
    QCOMPARE(drawn.family(), g.view.font().family());
    QCOMPARE(drawn.pointSizeF(), 9.0);
    QVERIFY(!g.body(1, 8).data(Qt::FontRole).isValid());
}

void TestResultGridView::userNeverMovesTheCurrentCell() {
    ListedGrid g;
    g.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    g.grid.setRow(1);
    g.grid.setCol(3);

    QTest::mouseClick(g.view.viewport(), Qt::LeftButton, {},
                      g.view.visualRect(g.body(2, 5)).center());
    QTest::keyClick(g.view.viewport(), Qt::Key_Down);
    QTest::keyClick(g.view.viewport(), Qt::Key_Right);
    QTest::keyClick(g.view.viewport(), Qt::Key_End, Qt::ControlModifier);

    QCOMPARE(g.grid.Row(), 1);
    QCOMPARE(g.grid.Col(), 3);
    QVERIFY(g.view.selectionModel()->hasSelection());
}

void TestResultGridView::copySelection() {
    ListedGrid g;
    g.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    const QItemSelection selection(g.body(1, 1), g.body(2, 2));
    g.view.selectionModel()->select(selection, QItemSelectionModel::Select);

    // A name that a spreadsheet would run as a formula is pasted as text.
    QCOMPARE(g.view.selectedText(),
             QStringLiteral("店铺一\thttp://a.taobao.com\n'=店铺二\thttp://b.taobao.com"));

    QApplication::clipboard()->clear();
    g.view.setFocus();
    QTest::keyClick(&g.view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), g.view.selectedText());
    // Plain text only: no markup that a spreadsheet or editor would interpret.
    QCOMPARE(QApplication::clipboard()->mimeData()->formats(), QStringList{"text/plain"});
}

void TestResultGridView::copyWholeGrid() {
    ListedGrid g;
    g.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    g.view.setFocus();
    QTest::keyClick(&g.view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&g.view, Qt::Key_C, Qt::ControlModifier);

    // The header row on top; the spare row 3 at the bottom left out.
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("店铺名称\t店铺地址\t店铺状态\t会员名\t信用等级\t好评率\t创店时间\t"
                            "是否将你加入友情链接\n"
                            "店铺一\thttp://a.taobao.com\t\t\t\t\t\t\n"
                            "'=店铺二\thttp://b.taobao.com\t\t\t\t\t\t"));
}

void TestResultGridView::exportCsv() {
    ListedGrid g;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("out.csv");

    QVERIFY(g.view.exportCsv(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("\xEF\xBB\xBF"
                        ",店铺名称,店铺地址,店铺状态,会员名,信用等级,好评率,创店时间,"
                        "是否将你加入友情链接\r\n"
                        "1,店铺一,http://a.taobao.com,,,,,,\r\n"
                        "2,'=店铺二,http://b.taobao.com,,,,,,\r\n"));

    QVERIFY(!g.view.exportCsv(dir.filePath("missing/out.csv")));
}

void TestResultGridView::exportDialogOpensInDocumentsWithAName() {
    ListedGrid g;
    g.view.setExportSubject([] { return QStringLiteral("my/shop"); });
    g.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    const QList<QAction*> actions = g.view.findChildren<QAction*>();
    const auto exportAction =
        std::ranges::find(actions, QStringLiteral("导出为CSV…"), &QAction::text);
    QVERIFY(exportAction != actions.end());

    (*exportAction)->trigger();
    // The dialog is open and the call has returned.
    const QPointer<QFileDialog> dialog = g.view.findChild<QFileDialog*>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(folder).exists())
        folder = QDir::homePath();
    QCOMPARE(dialog->directory(), QDir(folder));
    const QString name = "友情链接-my_shop-" + QDate::currentDate().toString("yyyy-MM-dd") + ".csv";
    QCOMPARE(dialog->selectedFiles(), QStringList{QDir(folder).filePath(name)});

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    dialog->selectFile(dir.filePath("chosen.csv"));
    static_cast<QDialog*>(dialog.data())->accept();
    QVERIFY(QFile(dir.filePath("chosen.csv")).size() > 0);
    QTRY_VERIFY(dialog.isNull());
}

void TestResultGridView::tooltipOnlyWhenTheColumnCutsTheText_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("cut");

    QTest::newRow("short rate") << 6 << "99%" << false;
    // The longest value of each column fits at the grid's font.
    QTest::newRow("longest rate") << 6 << "100.00%" << false;
    QTest::newRow("longest credit level") << 5 << "5金冠" << false;
    QTest::newRow("longest mall level") << 5 << "4.8(商城)" << false;
    QTest::newRow("longest date") << 7 << "2010-12-31" << false;
    QTest::newRow("longest status") << 3 << "检测中..." << false;
    QTest::newRow("long rate") << 6 << "99.95% (12345 条评价)" << true;
    QTest::newRow("empty") << 6 << "" << false;
    QTest::newRow("address that fits") << 2 << "http://a.taobao.com" << false;
    QTest::newRow("long address")
        << 2 << "http://s.click.taobao.com/t_js?tu=http%3A%2F%2Fshop123.taobao.com%2F" << true;
}

void TestResultGridView::tooltipOnlyWhenTheColumnCutsTheText() {
    QFETCH(int, col);
    QFETCH(QString, text);
    QFETCH(bool, cut);

    ListedGrid g;
    write(g.grid, 1, col, text);
    QCOMPARE(g.view.cellTextIsCut(g.body(1, col)), cut);
}

void TestResultGridView::pointerInGridCoordinates() {
    ListedGrid g;
    g.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g.view));
    QSignalSpy moved(&g.view, &ResultGridView::pointerMoved);

    const QPoint inCell = g.view.visualRect(g.body(1, 1)).center();
    QTest::mouseMove(g.view.windowHandle(), g.view.viewport()->mapTo(&g.view, inCell));
    QTRY_COMPARE(moved.size(), 1);
    const QPointF expected = QPointF(g.view.viewport()->mapTo(&g.view, inCell)) * 15;
    QCOMPARE(moved.last().at(0).toPointF(), expected);

    const QPoint inHeader(60, 5);
    QTest::mouseMove(g.view.windowHandle(),
                     g.view.horizontalHeader()->viewport()->mapTo(&g.view, inHeader));
    QTRY_COMPARE(moved.size(), 2);
    QCOMPARE(moved.last().at(0).toPointF(),
             QPointF(g.view.horizontalHeader()->viewport()->mapTo(&g.view, inHeader)) * 15);
}

QTEST_MAIN(TestResultGridView)
#include "TestResultGridView.moc"
