#include "GridComparison.h"
#include "RunTexts.h"

#include <QTest>
#include <algorithm>

namespace {

// Grid rows written as "name|address|status|credit|links back"; the header
// row and the row numbers are added.
QList<QStringList> gridCells(const QStringList& rows) {
    QList<QStringList> cells{QStringList(9, QString())};
    for (const QString& row : rows) {
        const QStringList values = row.split(u'|');
        cells.append({QString::number(cells.size()), values[0], values[1], values[2], "", values[3],
                      "", "", values[4]});
    }
    return cells;
}

QStringList changeTexts(const QList<GridChange>& changes) {
    QStringList texts;
    for (const GridChange& change : changes)
        texts.append(QStringList{kindText(change.kind), change.name, change.address, change.before,
                                 change.now}
                         .join(u'|'));
    return texts;
}

} // namespace

// Comparing two checks' grids.
class TestGridComparison : public QObject {
    Q_OBJECT

private slots:
    void changes_data();
    void changes();
    void changedCells_data();
    void changedCells();
};

void TestGridComparison::changes_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("beforeMessages");
    QTest::addColumn<QStringList>("now");
    QTest::addColumn<QStringList>("nowMessages");
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<bool>("dropped");

    const QString failed = runtext::NetworkFailed;
    const QString a = QStringLiteral("甲|a|正常|3心|√");
    const QString b = QStringLiteral("乙|b|正常|2钻|×");
    const QStringList none;

    QTest::newRow("both grids empty") << none << none << none << none << none << false;
    QTest::newRow("nothing changed")
        << QStringList{a, b} << none << QStringList{a, b} << none << none << false;
    QTest::newRow("link added") << QStringList{a} << none << QStringList{a, b} << none
                                << QStringList{"新增|乙|b||"} << false;
    QTest::newRow("link removed, leftover rows of a longer run ignored")
        << QStringList{a, b} << none << QStringList{b, "||||", "||||"} << none
        << QStringList{"移除|甲|a||"} << true;
    QTest::newRow("stopped and started linking back")
        << QStringList{a, b} << none << QStringList{"甲|a|正常|3心|×", "乙|b|正常|2钻|√"} << none
        << QStringList{"不再链接你|甲|a|√|×", "开始链接你|乙|b|×|√"} << true;
    QTest::newRow("closed shop: no verdict or credit change")
        << QStringList{a} << none << QStringList{"甲|a|不存在||"} << none
        << QStringList{"店铺已关闭|甲|a|正常|不存在"} << true;
    QTest::newRow("reopened shop") << QStringList{"甲|a|不存在||"} << none << QStringList{a} << none
                                   << QStringList{"店铺已恢复|甲|a|不存在|正常"} << false;
    QTest::newRow("credit changed, name follows the current grid")
        << QStringList{a} << none << QStringList{"甲二|a|正常|4心|√"} << none
        << QStringList{"信用变化|甲二|a|3心|4心"} << false;
    QTest::newRow("unreadable verdict is no drop")
        << QStringList{a} << none << QStringList{"甲|a|正常|3心|"} << none << none << false;
    QTest::newRow("drops first, then grid order")
        << QStringList{b, a} << none << QStringList{"乙|b|正常|3钻|×", "甲|a|正常|3心|×"} << none
        << QStringList{"不再链接你|甲|a|√|×", "信用变化|乙|b|2钻|3钻"} << true;
    QTest::newRow("same address twice, matched in order")
        << QStringList{a, "甲二|a|正常|3心|√"} << none << QStringList{"甲|a|正常|3心|×"} << none
        << QStringList{"不再链接你|甲|a|√|×", "移除|甲二|a||"} << true;
    QTest::newRow("not fully checked now: network failure, stop, never checked")
        << QStringList{a, b, "丙|c|正常|1心|√"} << none
        << QStringList{"甲|a|网络中断||", "乙|b|用户中止||", "丙|c|||"} << QStringList{failed}
        << QStringList{"未能比较|甲|a|正常|网络中断", "未能比较|乙|b|正常|用户中止",
                       "未能比较|丙|c|正常|未检测"}
        << false;
    QTest::newRow("rating page failed after the verdict")
        << QStringList{a} << none << QStringList{"甲|a|正常|3心|网络中断"} << QStringList{failed}
        << QStringList{"未能比较|甲|a|正常|网络中断"} << false;
    QTest::newRow("not fully checked before")
        << QStringList{"甲|a|用户中止||"} << none << QStringList{"甲|a|正常|3心|×"} << none
        << QStringList{"未能比较|甲|a|用户中止|正常"} << false;
    QTest::newRow("own shop page failed now: nothing reported removed")
        << QStringList{a} << none << none << QStringList{failed}
        << QStringList{"未能比较|甲|a|正常|" + failed} << false;
    QTest::newRow("own shop page failed before: nothing reported added")
        << none << QStringList{runtext::ShopMissing} << QStringList{a} << none
        << QStringList{"未能比较|甲|a|" + runtext::ShopMissing + "|正常"} << false;
    QTest::newRow("friend-link block emptied")
        << QStringList{a} << none << none << none << QStringList{"移除|甲|a||"} << true;
}

void TestGridComparison::changes() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, beforeMessages);
    QFETCH(QStringList, now);
    QFETCH(QStringList, nowMessages);
    QFETCH(QStringList, changes);
    QFETCH(bool, dropped);

    const QList<GridChange> found = compareGrids(checkedGrid(gridCells(before), beforeMessages),
                                                 checkedGrid(gridCells(now), nowMessages));
    QCOMPARE(changeTexts(found), changes);
    QCOMPARE(
        std::any_of(found.begin(), found.end(), [](const GridChange& c) { return c.isDrop(); }),
        dropped);
}

// The cells whose text changed, in the current grid's rows, with the
// matching row's earlier text.
void TestGridComparison::changedCells_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("now");
    QTest::addColumn<QStringList>("cells"); // "row,col before"

    const QString a = QStringLiteral("甲|a|正常|3心|√");
    QTest::newRow("nothing changed") << QStringList{a} << QStringList{a} << QStringList{};
    QTest::newRow("row moved down, verdict and credit changed")
        << QStringList{a} << QStringList{"乙|b|正常|1心|√", "甲|a|正常|4心|×"}
        << QStringList{"2,5 3心", "2,8 √"};
    QTest::newRow("closed: emptied cells too") << QStringList{a} << QStringList{"甲|a|不存在||"}
                                               << QStringList{"1,3 正常", "1,5 3心", "1,8 √"};
    QTest::newRow("same address twice, matched in order")
        << QStringList{a, "甲二|a|正常|3心|√"}
        << QStringList{"甲|a|正常|3心|×", "甲二|a|正常|3心|√"} << QStringList{"1,8 √"};
}

void TestGridComparison::changedCells() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, now);
    QFETCH(QStringList, cells);

    QStringList found;
    for (const CellChange& cell : ::changedCells(gridCells(before), gridCells(now)))
        found << QStringLiteral("%1,%2 %3").arg(cell.row).arg(cell.col).arg(cell.before);
    QCOMPARE(found, cells);
}

QTEST_GUILESS_MAIN(TestGridComparison)
#include "TestGridComparison.moc"
