#include "GridComparison.h"
#include "RunTexts.h"

#include <QTest>

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

// The result cells of `now`'s rows whose text differs from the matching row
// of `before`, the one earlier check.
QList<CellChange> cellsChanged(const QList<QStringList>& before, const QList<QStringList>& now) {
    return compareWithEarlier({{QDateTime(), checkedGrid(before, {}), before}},
                              checkedGrid(now, {}), now)
        .cells;
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
    void changesSinceEarlierChecks_data();
    void changesSinceEarlierChecks();
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
    QCOMPARE(hasDrop(found), dropped);
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
    for (const CellChange& cell : cellsChanged(gridCells(before), gridCells(now)))
        found << QStringLiteral("%1,%2 %3").arg(cell.row).arg(cell.col).arg(cell.before);
    QCOMPARE(found, cells);
}

// A sequence of checks, oldest first, each its rows separated by ";" or
// "!message" for one that never listed its friend links; the last is the
// check now. Each change ends with "@" and the day of the check it is
// against.
void TestGridComparison::changesSinceEarlierChecks_data() {
    QTest::addColumn<QStringList>("checks");
    QTest::addColumn<QStringList>("changes");

    const QString linked = QStringLiteral("甲|a|正常|3心|√");
    const QString dropped = QStringLiteral("甲|a|正常|3心|×");
    const QString b = QStringLiteral("乙|b|正常|2钻|×");
    QTest::newRow("the own page failed in between")
        << QStringList{linked, "!" + runtext::NetworkFailed, dropped}
        << QStringList{"不再链接你|甲|a|√|×@1"};
    QTest::newRow("stopped in between")
        << QStringList{linked + ";" + b, "甲|a|用户中止||;乙|b|||", dropped + ";" + b}
        << QStringList{"不再链接你|甲|a|√|×@1"};
    QTest::newRow("the row could not be read in between")
        << QStringList{linked, "甲|a|访问受限||", dropped} << QStringList{"不再链接你|甲|a|√|×@1"};
    QTest::newRow("the rating page failed in between")
        << QStringList{linked + ";" + b, linked + ";乙|b|正常|2钻|网络中断",
                       linked + ";乙|b|正常|2钻|√"}
        << QStringList{"开始链接你|乙|b|×|√@1"};
    QTest::newRow("a drop told once") << QStringList{linked, dropped, dropped} << QStringList{};
    QTest::newRow("added and removed against the latest listed check")
        << QStringList{linked + ";" + b, "!" + runtext::ShopMissing, b}
        << QStringList{"移除|甲|a||@1"};
    QTest::newRow("not looked for past a check without the row")
        << QStringList{linked, b, "甲|a|访问受限||;" + b, dropped + ";" + b}
        << QStringList{"未能比较|甲|a|访问受限|正常@3"};
    QTest::newRow("never fully checked before")
        << QStringList{"甲|a|网络中断||", linked} << QStringList{"未能比较|甲|a|网络中断|正常@1"};
    QTest::newRow("not fully checked now")
        << QStringList{linked, "甲|a|无法识别||"} << QStringList{"未能比较|甲|a|正常|无法识别@1"};
    QTest::newRow("own page fails now")
        << QStringList{linked, "!" + runtext::NetworkFailed}
        << QStringList{"未能比较|甲|a|正常|" + runtext::NetworkFailed + "@1"};
}

void TestGridComparison::changesSinceEarlierChecks() {
    QFETCH(QStringList, checks);
    QFETCH(QStringList, changes);
    const auto day = [](qsizetype index) { return QDateTime(QDate(2026, 12, int(index) + 1), {}); };
    const auto cells = [](const QString& check) {
        return gridCells(check.startsWith(u'!') ? QStringList() : check.split(u';'));
    };
    const auto grid = [&](const QString& check) {
        return checkedGrid(cells(check),
                           check.startsWith(u'!') ? QStringList{check.mid(1)} : QStringList());
    };
    QList<EarlierCheck> earlier;
    for (qsizetype index = checks.size() - 2; index >= 0; --index)
        earlier.append({day(index), grid(checks[index]), cells(checks[index])});
    const ChangesSince found =
        compareWithEarlier(earlier, grid(checks.last()), cells(checks.last()));
    QStringList texts = changeTexts(found.changes);
    for (qsizetype index = 0; index < texts.size(); ++index)
        texts[index] += QStringLiteral("@%1").arg(found.changes[index].since.date().day());
    QCOMPARE(texts, changes);
}

QTEST_GUILESS_MAIN(TestGridComparison)
#include "TestGridComparison.moc"
