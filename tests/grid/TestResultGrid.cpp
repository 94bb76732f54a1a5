#include "ResultColumns.h"
#include "ResultGrid.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QSignalSpy>
#include <QTest>

class TestResultGrid : public QObject {
    Q_OBJECT

private slots:
    void addItemKeepsRowsAndCursor();
    void colourRule_data();
    void colourRule();
    void clearingARedBoldCell();
    void passesTheModelTester();
};

void TestResultGrid::addItemKeepsRowsAndCursor() {
    ResultGrid grid;
    grid.AddItem("2");
    grid.setRow(1);
    grid.setCol(4);
    grid.setText("kept");
    QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
    grid.AddItem("3");
    QCOMPARE(grid.Rows(), 4);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(grid.cell(3, 0).text, "3");
    for (qint32 col = 1; col < 9; ++col) {
        QCOMPARE(grid.cell(3, col).text, QString());
        QCOMPARE(grid.cell(3, col).color, 0u);
        QCOMPARE(grid.cell(3, col).bold, false);
    }
    QCOMPARE(grid.cell(1, 4).text, "kept");
    QCOMPARE(grid.Row(), 1);
    QCOMPARE(grid.Col(), 4);
    QCOMPARE(grid.Text(), "kept");
}

void TestResultGrid::colourRule_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<quint32>("cellColor");
    QTest::addColumn<bool>("gridRed");
    QTest::addColumn<QVariant>("foreground");

    const QVariant windowText;
    const QVariant red = QColor(255, 0, 0);
    QTest::newRow("plain cell, untouched grid") << 1 << 3 << 0u << false << windowText;
    QTest::newRow("plain cell, red grid") << 1 << 3 << 0u << true << red;
    QTest::newRow("red cell, untouched grid") << 1 << 3 << 255u << false << red;
    QTest::newRow("red cell, red grid") << 1 << 3 << 255u << true << red;
    QTest::newRow("blue cell over a red grid")
        << 1 << 3 << 0xff0000u << true << QVariant(QColor(0, 0, 255));
    QTest::newRow("header row keeps fixed colour") << 0 << 3 << 255u << true << windowText;
    QTest::newRow("number column keeps fixed colour") << 1 << 0 << 255u << true << windowText;
}

void TestResultGrid::colourRule() {
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(quint32, cellColor);
    QFETCH(bool, gridRed);
    QFETCH(QVariant, foreground);
    ResultGrid grid;
    grid.setRow(row);
    grid.setCol(col);
    grid.setCellForeColor(cellColor);
    if (gridRed)
        grid.setForeColor(255);
    QCOMPARE(grid.data(grid.index(row, col), Qt::ForegroundRole), foreground);
    // Fixed cells keep the fixed-cell colour.
    QVERIFY(!grid.headerData(col, Qt::Horizontal, Qt::ForegroundRole).isValid());
    QVERIFY(!grid.headerData(row, Qt::Vertical, Qt::ForegroundRole).isValid());
}

void TestResultGrid::clearingARedBoldCell() {
    ResultGrid grid;
    grid.setRow(1);
    grid.setCol(8);
    grid.setCellForeColor(255);
    grid.setCellFontBold(true);
    grid.setText("×");
    QVERIFY(grid.data(grid.index(1, 8), Qt::FontRole).value<QFont>().bold());

    grid.setCellForeColor(0);
    grid.setCellFontBold(false);
    grid.setText(QString());
    QCOMPARE(grid.data(grid.index(1, 8), Qt::DisplayRole).toString(), QString());
    QVERIFY(!grid.data(grid.index(1, 8), Qt::FontRole).isValid());
    grid.setText("√");
    QVERIFY(!grid.data(grid.index(1, 8), Qt::ForegroundRole).isValid());
}

// Qt's model checks hold through the set-up and a run's writes: new rows,
// cells of every kind, the grid-wide colour; each write names its cell.
void TestResultGrid::passesTheModelTester() {
    ResultGrid grid;
    const QAbstractItemModelTester tester(&grid,
                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
    setUpResultColumns(grid);
    QCOMPARE(grid.Rows(), 2);
    QCOMPARE(grid.Cols(), 9);
    QCOMPARE(grid.Row(), 0);
    QCOMPARE(grid.Col(), 8);
    grid.setRow(1);
    grid.setCol(0);
    grid.setText(QStringLiteral("1"));
    grid.AddItem(QStringLiteral("2"));
    grid.setRow(2);
    grid.setCol(3);
    QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
    grid.setText(QStringLiteral("正常"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toModelIndex(), grid.index(2, 3));
    grid.setCellForeColor(255);
    grid.setCellFontBold(true);
    grid.setForeColor(255);
    QCOMPARE(grid.headerData(3, Qt::Horizontal).toString(), QStringLiteral("店铺状态"));
    QCOMPARE(grid.headerData(2, Qt::Vertical).toString(), QStringLiteral("2"));
}

QTEST_MAIN(TestResultGrid)
#include "TestResultGrid.moc"
