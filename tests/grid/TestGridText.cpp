#include "GridText.h"
#include "ResultColumns.h"
#include "ResultGrid.h"

#include <QTest>

using gridtext::Block;

namespace {

void write(ResultGrid& grid, qint32 row, qint32 col, const QString& text) {
    grid.setRow(row);
    grid.setCol(col);
    grid.setText(text);
}

} // namespace

class TestGridText : public QObject {
    Q_OBJECT

private slots:
    void tabSeparated_data();
    void tabSeparated();
    void csvField_data();
    void csvField();
    void csvDocumentHasBomAndCrLf();
    void cellBlock_data();
    void cellBlock();
    void copiedBlock_data();
    void copiedBlock();
    void exportBlockSkipsRowsWithOnlyANumber();
    void exportFileName_data();
    void exportFileName();
};

void TestGridText::tabSeparated_data() {
    QTest::addColumn<Block>("block");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one cell") << Block{{"正常"}} << "正常";
    QTest::newRow("row") << Block{{"店铺一", "", "√"}} << "店铺一\t\t√";
    QTest::newRow("rows") << Block{{"a", "b"}, {"c", "d"}} << "a\tb\nc\td";
    QTest::newRow("tabs and line breaks in a cell")
        << Block{{"a\tb", "c\r\nd", "e\nf\rg"}} << "a b\tc d\te f g";
    QTest::newRow("nothing") << Block{} << "";
}

void TestGridText::tabSeparated() {
    QFETCH(Block, block);
    QFETCH(QString, expected);

    QCOMPARE(gridtext::tabSeparated(block), expected);
}

void TestGridText::csvField_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "正常"
                           << "正常";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("equals") << "=HYPERLINK(\"x\")"
                            << "\"'=HYPERLINK(\"\"x\"\")\"";
    QTest::newRow("plus") << "+1"
                          << "'+1";
    QTest::newRow("minus") << "-2+3"
                           << "'-2+3";
    QTest::newRow("at") << "@SUM(A1)"
                        << "'@SUM(A1)";
    QTest::newRow("tab") << "\t=1"
                         << "'\t=1";
    QTest::newRow("carriage return") << "\r=1"
                                     << "\"'\r=1\"";
    QTest::newRow("formula sign later is harmless") << "a=b"
                                                    << "a=b";
    QTest::newRow("comma") << "a,b"
                           << "\"a,b\"";
    QTest::newRow("quote") << "say \"hi\""
                           << "\"say \"\"hi\"\"\"";
    QTest::newRow("line feed") << "a\nb"
                               << "\"a\nb\"";
    QTest::newRow("mark") << "×"
                          << "×";
}

void TestGridText::csvField() {
    QFETCH(QString, text);
    QFETCH(QString, expected);

    QCOMPARE(gridtext::csvField(text), expected);
}

void TestGridText::csvDocumentHasBomAndCrLf() {
    const QByteArray document = gridtext::csvDocument({{"", "店铺名称"}, {"1", "=cmd"}});
    QCOMPARE(document, QByteArray("\xEF\xBB\xBF,店铺名称\r\n1,'=cmd\r\n"));
}

void TestGridText::cellBlock_data() {
    QTest::addColumn<QList<QPoint>>("cells");
    QTest::addColumn<Block>("expected");

    QTest::newRow("one cell") << QList<QPoint>{{3, 1}} << Block{{"正常"}};
    QTest::newRow("rectangle in any order")
        << QList<QPoint>{{2, 2}, {1, 1}, {2, 1}, {1, 2}}
        << Block{{"店铺一", "http://a.taobao.com"}, {"店铺二", "http://b.taobao.com"}};
    QTest::newRow("gaps stay empty")
        << QList<QPoint>{{1, 1}, {3, 2}} << Block{{"店铺一", "", ""}, {"", "", "不存在"}};
    QTest::newRow("nothing selected") << QList<QPoint>{} << Block{};
}

void TestGridText::cellBlock() {
    QFETCH(QList<QPoint>, cells);
    QFETCH(Block, expected);

    ResultGrid grid;
    grid.AddItem("2");
    write(grid, 1, 1, "店铺一");
    write(grid, 1, 2, "http://a.taobao.com");
    write(grid, 1, 3, "正常");
    write(grid, 2, 1, "店铺二");
    write(grid, 2, 2, "http://b.taobao.com");
    write(grid, 2, 3, "不存在");

    QCOMPARE(gridtext::cellBlock(grid, cells), expected);
}

void TestGridText::copiedBlock_data() {
    QTest::addColumn<int>("rows");                 // grid rows, the header row included
    QTest::addColumn<QList<QPoint>>("unselected"); // body cells left out
    QTest::addColumn<Block>("expected");

    // Rows of eight body cells, given up to their last text.
    const auto rows = [](const QList<QStringList>& given) {
        Block block;
        for (QStringList row : given) {
            row.resize(8);
            block << row;
        }
        return block;
    };
    const QStringList header{"店铺名称", "店铺地址", "店铺状态", "会员名",
                             "信用等级", "好评率",   "创店时间", "是否将你加入友情链接"};
    const QStringList first{"店铺一", "", "正常"};
    const QStringList last{"", "", "不存在"};
    QTest::newRow("whole grid: header, no spare row")
        << 4 << QList<QPoint>{} << rows({header, first, last});
    QTest::newRow("empty row between shops stays")
        << 5 << QList<QPoint>{} << rows({header, first, {}, last});
    QTest::newRow("only the spare row: header alone") << 2 << QList<QPoint>{} << rows({header});
    QTest::newRow("all but one cell: the cells alone")
        << 4 << QList<QPoint>{{8, 3}} << rows({first, last, {}});
}

// Shops in row 1 and in the row above the spare last row; every body cell
// but the unselected ones is selected.
void TestGridText::copiedBlock() {
    QFETCH(int, rows);
    QFETCH(QList<QPoint>, unselected);
    QFETCH(Block, expected);

    ResultGrid grid;
    setUpResultColumns(grid);
    while (grid.Rows() < rows)
        grid.AddItem(QString::number(grid.Rows()));
    if (rows > 2) {
        write(grid, 1, 1, "店铺一");
        write(grid, 1, 3, "正常");
        write(grid, rows - 2, 3, "不存在");
    }
    QList<QPoint> cells;
    for (int row = 1; row < rows; ++row) {
        for (int col = 1; col < grid.Cols(); ++col) {
            if (!unselected.contains(QPoint(col, row)))
                cells << QPoint(col, row);
        }
    }

    QCOMPARE(gridtext::copiedBlock(grid, cells), expected);
}

void TestGridText::exportBlockSkipsRowsWithOnlyANumber() {
    ResultGrid grid;
    setUpResultColumns(grid);
    write(grid, 1, 0, "1");
    write(grid, 1, 1, "店铺一");
    write(grid, 1, 8, "×");
    grid.AddItem("2");
    grid.AddItem("3");
    write(grid, 3, 4, "@member");

    const Block block = gridtext::exportBlock(grid);
    QCOMPARE(block.size(), 3);
    QCOMPARE(block[0], QStringList({"", "店铺名称", "店铺地址", "店铺状态", "会员名", "信用等级",
                                    "好评率", "创店时间", "是否将你加入友情链接"}));
    QCOMPARE(block[1], QStringList({"1", "店铺一", "", "", "", "", "", "", "×"}));
    QCOMPARE(block[2], QStringList({"3", "", "", "", "@member", "", "", "", ""}));
}

void TestGridText::exportFileName_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("name");

    QTest::newRow("shop address") << "myshop.taobao.com"
                                  << "友情链接-myshop.taobao.com-2026-03-09.csv";
    QTest::newRow("full address") << " http://myshop.taobao.com/ "
                                  << "友情链接-http___myshop.taobao.com_-2026-03-09.csv";
    QTest::newRow("every forbidden character") << "a/b\\c:d*e?f\"g<h>i|j\tk\x7fl"
                                               << "友情链接-a_b_c_d_e_f_g_h_i_j_k_l-2026-03-09.csv";
    QTest::newRow("empty box") << "  "
                               << "友情链接-2026-03-09.csv";
    QTest::newRow("long text cut, never inside a character")
        << QString(59, u'店') + "😀😀"
        << "友情链接-" + QString(59, u'店') + "-2026-03-09.csv";
}

void TestGridText::exportFileName() {
    QFETCH(QString, box);
    QFETCH(QString, name);

    QCOMPARE(gridtext::exportFileName(box, QDate(2026, 3, 9)), name);
}

QTEST_APPLESS_MAIN(TestGridText)
#include "TestGridText.moc"
