#include "ChangeOutput.h"
#include "CheckDocument.h"
#include "GridComparison.h"
#include "HeadlessWindow.h"
#include "PreviousCheck.h"
#include "RunTexts.h"

#include <QJsonArray>
#include <QTemporaryDir>
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

// Comparing two checks' grids, and reading an earlier check back.
class TestGridComparison : public QObject {
    Q_OBJECT

private slots:
    void changes_data();
    void changes();
    void previousCheck_data();
    void previousCheck();
    void dropsRedOnlyWhenStyled();
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

// The document written by --format json reads back; anything else is
// refused with what is wrong.
void TestGridComparison::previousCheck_data() {
    QTest::addColumn<QByteArray>("document"); // null: no file at all
    QTest::addColumn<QString>("error");       // empty: read back

    HeadlessWindow window;
    ResultTable& grid = window.resultGrid();
    grid.setRow(1);
    grid.setCol(2);
    grid.setText(QStringLiteral("a"));
    const QByteArray written = checkdocument::json(window);
    const auto edited = [&written](const char* from, const char* to) {
        return QByteArray(written).replace(from, to);
    };

    QTest::newRow("written by --format json") << written << "";
    QTest::newRow("written with changes") << checkdocument::json(window, QJsonArray{1}) << "";
    QTest::newRow("missing") << QByteArray() << "cannot open: No such file or directory";
    QTest::newRow("empty") << QByteArray("\n") << "the file is empty";
    QTest::newRow("not JSON") << written.left(40) << "not JSON: ";
    QTest::newRow("a JSON array") << QByteArray("[]") << "not a JSON object";
    QTest::newRow("no grid") << edited("\"grid\"", "\"grid0\"") << "no \"grid\" object";
    QTest::newRow("no messages") << edited("\"messages\"", "\"m\"") << "no \"messages\" array";
    QTest::newRow("rows and cells disagree")
        << edited("\"rows\":2", "\"rows\":3") << "\"rows\" and \"cells\" do not agree";
    QTest::newRow("a cell without text")
        << edited("\"text\":\"a\"", "\"txt\":\"a\"") << "grid row 1 is not 9 cells";
    QTest::newRow("another header row")
        << edited("店铺地址", "地址") << "grid row 0 is not the results grid's header row";
}

void TestGridComparison::previousCheck() {
    QFETCH(QByteArray, document);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("previous.json"));
    if (!document.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(document);
    }
    const PreviousCheck read = readPreviousCheck(path);
    QVERIFY2(read.error.contains(error), qPrintable(read.error));
    QCOMPARE(read.grid.has_value(), error.isEmpty());
    if (read.grid) {
        QCOMPARE(read.grid->rows.size(), 1);
        QCOMPARE(read.grid->rows[0].address, QStringLiteral("a"));
    }
}

// Drops in red on a terminal that shows styles; never escapes otherwise.
void TestGridComparison::dropsRedOnlyWhenStyled() {
    const QList<GridChange> changes{{ChangeKind::Removed, "甲", "a", "", ""},
                                    {ChangeKind::CreditChanged, "乙", "b", "1心", "2心"}};
    const QStringList styled = changeoutput::table(changes, true).split(u'\n');
    QCOMPARE(styled.mid(1, 3), (QStringList{"与上次相比", "\x1b[31m移除      甲  a\x1b[0m",
                                            "信用变化  乙  b  1心 → 2心"}));
    QVERIFY(!changeoutput::table(changes, false).contains(u'\x1b'));
}

QTEST_GUILESS_MAIN(TestGridComparison)
#include "TestGridComparison.moc"
