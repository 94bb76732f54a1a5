#include "GridText.h"
#include "ResultColumns.h"
#include "ResultGrid.h"
#include "TerminalText.h"

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
    void tableAlignsWideCharacters();
    void displayWidth_data();
    void displayWidth();
    void tableStylesProblemCells_data();
    void tableStylesProblemCells();
    void tableCapsColumnWidth_data();
    void tableCapsColumnWidth();
    void tsvKeepsOneLinePerRow();
    void controlCharactersNeverReachTheTerminal_data();
    void controlCharactersNeverReachTheTerminal();
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

// Chinese characters take two terminal columns; the columns stay aligned.
void TestGridText::tableAlignsWideCharacters() {
    ResultGrid grid;
    setUpResultColumns(grid);
    grid.AddItem(QStringLiteral("2"));
    const QStringList names{QStringLiteral("甲店"), QStringLiteral("abcde")};
    for (int row = 1; row <= 2; ++row) {
        grid.setRow(row);
        grid.setCol(1);
        grid.setText(names[row - 1]);
        grid.setCol(2);
        grid.setText(QStringLiteral("X%1").arg(row));
    }

    const QStringList lines = gridtext::table(grid, false).split(u'\n');
    QCOMPARE(lines.size(), 4);
    const QStringList columnTwo{QStringLiteral("店铺地址"), "X1", "X2"};
    const auto startOf = [&](int row) {
        return gridtext::displayWidth(lines[row].left(lines[row].indexOf(columnTwo[row])));
    };
    QCOMPARE(startOf(1), startOf(0));
    QCOMPARE(startOf(2), startOf(0));
}

void TestGridText::displayWidth_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("columns");

    QTest::newRow("Chinese, Latin and signs") << QStringLiteral("甲店ab×√") << 8;
    QTest::newRow("combining accent") << QStringLiteral("e\u0301") << 1;
    QTest::newRow("emoji") << QStringLiteral("\U0001F600") << 2;
    QTest::newRow("fullwidth letter and Hangul") << QStringLiteral("Ａ한") << 4;
    QTest::newRow("replacement character") << QString(QChar::ReplacementCharacter) << 1;
}

// Widths come from the C library's UTF-8 tables whatever the user's locale.
void TestGridText::displayWidth() {
    QFETCH(QString, text);
    QFETCH(int, columns);
    QCOMPARE(gridtext::displayWidth(text), columns);
}

// Red (own colour or the grid-wide one) and bold cells get terminal styles;
// the header row and number column never take the grid-wide colour.
void TestGridText::tableStylesProblemCells_data() {
    QTest::addColumn<bool>("gridWide");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QString>("expected");

    QTest::newRow("own red") << false << false << "\x1b[31mX";
    QTest::newRow("own red and bold") << false << true << "\x1b[31m\x1b[1mX";
    QTest::newRow("grid-wide red") << true << false << "\x1b[31mX";
}

void TestGridText::tableStylesProblemCells() {
    QFETCH(bool, gridWide);
    QFETCH(bool, bold);
    QFETCH(QString, expected);

    ResultGrid grid;
    setUpResultColumns(grid);
    grid.setRow(1);
    grid.setCol(3);
    if (gridWide)
        grid.setForeColor(255);
    else
        grid.setCellForeColor(255);
    grid.setCellFontBold(bold);
    grid.setText(QStringLiteral("X"));

    const QStringList lines = gridtext::table(grid, true).split(u'\n');
    QVERIFY(lines[1].contains(expected));
    QVERIFY(!lines[0].contains(QStringLiteral("\x1b[")));
    QVERIFY(!gridtext::table(grid, false).contains(QStringLiteral("\x1b[")));
    QCOMPARE(lines[1].count(QStringLiteral("\x1b[31m")), gridWide ? 8 : 1);
}

// One overlong cell neither widens its column beyond the cap nor pads every
// other row to its width.
void TestGridText::tableCapsColumnWidth_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    const int cap = gridtext::MaxColumnWidth;
    QTest::newRow("as wide as the cap") << QString(cap, u'a') << QString(cap, u'a');
    QTest::newRow("one column over") << QString(cap + 1, u'a') << QString(cap - 1, u'a') + u'…';
    QTest::newRow("a megabyte") << QString(1 << 20, u'a') << QString(cap - 1, u'a') + u'…';
    QTest::newRow("wide characters") << QString(cap, u'甲') << QString((cap - 1) / 2, u'甲') + u'…';
    QTest::newRow("characters outside the basic plane")
        << QString::fromUcs4(std::u32string(cap, U'\U00020000').c_str())
        << QString::fromUcs4(std::u32string((cap - 1) / 2, U'\U00020000').c_str()) + u'…';
}

void TestGridText::tableCapsColumnWidth() {
    QFETCH(QString, text);
    QFETCH(QString, shown);

    ResultGrid grid;
    setUpResultColumns(grid);
    grid.AddItem(QStringLiteral("2"));
    grid.setRow(1);
    grid.setCol(4);
    grid.setText(text);

    const QString table = gridtext::table(grid, false);
    QCOMPARE(table.split(u'\n').at(1).split(u' ', Qt::SkipEmptyParts).last(), shown);
    QVERIFY2(table.size() < 1000, qPrintable(QString::number(table.size())));
}

void TestGridText::tsvKeepsOneLinePerRow() {
    ResultGrid grid;
    setUpResultColumns(grid);
    grid.setRow(1);
    grid.setCol(1);
    grid.setText(QStringLiteral("a\tb\r\nc"));

    const QStringList lines = gridtext::tsv(grid).split(u'\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[1].split(u'\t').size(), 9);
    QCOMPARE(lines[1].split(u'\t').at(1), QStringLiteral("a b  c"));
}

// A page could otherwise set the terminal's title, rewrite what it shows or
// answer-back into its input.
void TestGridText::controlCharactersNeverReachTheTerminal_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("escape sequence")
        << QStringLiteral("\x1b]0;title\x07店") << QStringLiteral("\uFFFD]0;title\uFFFD店");
    QTest::newRow("C1 control") << QStringLiteral("a\u009b2Jb") << QStringLiteral("a\uFFFD2Jb");
    QTest::newRow("backspace and delete")
        << QStringLiteral("ab\b\x7f") << QStringLiteral("ab\uFFFD\uFFFD");
    QTest::newRow("line breaks and tabs")
        << QStringLiteral("a\tb\r\nc") << QStringLiteral("a b  c");
    QTest::newRow("line and paragraph separators")
        << QStringLiteral("a\u2028b\u2029c") << QStringLiteral("a b c");
    // A page could otherwise show its text in another order than it has.
    QTest::newRow("direction marks, overrides and isolates")
        << QStringLiteral("a\u202Eb\u2066c\u2069\u200Fd\u202Ae")
        << QStringLiteral("a\uFFFDb\uFFFDc\uFFFD\uFFFDd\uFFFDe");
}

void TestGridText::controlCharactersNeverReachTheTerminal() {
    QFETCH(QString, text);
    QFETCH(QString, shown);

    ResultGrid grid;
    setUpResultColumns(grid);
    grid.setRow(1);
    grid.setCol(8);
    grid.setText(text);

    QCOMPARE(gridtext::oneLine(text), shown);
    QCOMPARE(gridtext::tsv(grid).split(u'\n').at(1).split(u'\t').at(8), shown);
    for (const bool styled : {false, true}) {
        const QString table = gridtext::table(grid, styled);
        QVERIFY(table.split(u'\n').at(1).contains(shown));
        QVERIFY(!table.contains(QStringLiteral("\x1b]")));
        QVERIFY(!table.contains(u'\u009b'));
    }
}

QTEST_APPLESS_MAIN(TestGridText)
#include "TestGridText.moc"
