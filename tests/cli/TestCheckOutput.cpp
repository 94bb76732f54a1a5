#include "CheckOptions.h"
#include "DemoMarketplace.h"
#include "GridOutput.h"
#include "HeadlessWindow.h"

#include <QTest>

using namespace std::chrono_literals;

// The command line and the grid as text, without running a check.
class TestCheckOutput : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
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
    void stopOnlyWhileEnabled();
};

void TestCheckOutput::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<int>("format");
    QTest::addColumn<qint64>("timeoutMs");
    QTest::addColumn<QStringList>("addresses");

    const int table = int(CheckOptions::Format::Table);
    const int tsv = int(CheckOptions::Format::Tsv);
    const int json = int(CheckOptions::Format::Json);

    QTest::newRow("defaults on a terminal")
        << QStringList{"a"} << true << table << 60000LL << QStringList{"a"};
    QTest::newRow("defaults into a pipe")
        << QStringList{"a"} << false << tsv << 60000LL << QStringList{"a"};
    QTest::newRow("format and fractional time-out")
        << QStringList{"--format", "json", "--timeout", "1.5", "a"} << true << json << 1500LL
        << QStringList{"a"};
    QTest::newRow("addresses untrimmed, in order")
        << QStringList{" My Shop ", "", "b"} << false << tsv << 60000LL
        << QStringList{" My Shop ", "", "b"};
    QTest::newRow("address after --")
        << QStringList{"--", "-x"} << false << tsv << 60000LL << QStringList{"-x"};
    QTest::newRow("demo analyses the demo shop")
        << QStringList{"--demo"} << false << tsv << 60000LL << QStringList{DemoShopAddress};
    QTest::newRow("demo with addresses of its own")
        << QStringList{"--demo", "a"} << false << tsv << 60000LL << QStringList{"a"};
}

void TestCheckOutput::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, terminal);
    QFETCH(int, format);
    QFETCH(qint64, timeoutMs);
    QFETCH(QStringList, addresses);

    const ParsedCommandLine parsed =
        parseCommandLine(QStringList{"zembrel-check"} + arguments, terminal);
    QCOMPARE(parsed.outcome, ParsedCommandLine::Outcome::Run);
    QCOMPARE(int(parsed.options.format), format);
    QCOMPARE(qint64(parsed.options.timeout.count()), timeoutMs);
    QCOMPARE(parsed.options.addresses, addresses);
}

// Chinese characters take two terminal columns; the columns stay aligned.
void TestCheckOutput::tableAlignsWideCharacters() {
    HeadlessWindow window;
    ResultTable& grid = window.resultGrid();
    grid.AddItem(QStringLiteral("2"));
    const QStringList names{QStringLiteral("甲店"), QStringLiteral("abcde")};
    for (int row = 1; row <= 2; ++row) {
        grid.setRow(row);
        grid.setCol(1);
        grid.setText(names[row - 1]);
        grid.setCol(2);
        grid.setText(QStringLiteral("X%1").arg(row));
    }

    const QStringList lines = gridoutput::table(window.grid(), false).split(u'\n');
    QCOMPARE(lines.size(), 4);
    const QStringList columnTwo{QStringLiteral("店铺地址"), "X1", "X2"};
    const auto startOf = [&](int row) {
        return gridoutput::displayWidth(lines[row].left(lines[row].indexOf(columnTwo[row])));
    };
    QCOMPARE(startOf(1), startOf(0));
    QCOMPARE(startOf(2), startOf(0));
}

void TestCheckOutput::displayWidth_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("columns");

    QTest::newRow("Chinese, Latin and signs") << QStringLiteral("甲店ab×√") << 8;
    QTest::newRow("combining accent") << QStringLiteral("e\u0301") << 1;
    QTest::newRow("emoji") << QStringLiteral("\U0001F600") << 2;
    QTest::newRow("fullwidth letter and Hangul") << QStringLiteral("Ａ한") << 4;
    QTest::newRow("replacement character") << QString(QChar::ReplacementCharacter) << 1;
}

// Widths come from the C library's UTF-8 tables whatever the user's locale.
void TestCheckOutput::displayWidth() {
    QFETCH(QString, text);
    QFETCH(int, columns);
    QCOMPARE(gridoutput::displayWidth(text), columns);
}

// Red (own colour or the grid-wide one) and bold cells get terminal styles;
// the header row and number column never take the grid-wide colour.
void TestCheckOutput::tableStylesProblemCells_data() {
    QTest::addColumn<bool>("gridWide");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QString>("expected");

    QTest::newRow("own red") << false << false << "\x1b[31mX";
    QTest::newRow("own red and bold") << false << true << "\x1b[31m\x1b[1mX";
    QTest::newRow("grid-wide red") << true << false << "\x1b[31mX";
}

void TestCheckOutput::tableStylesProblemCells() {
    QFETCH(bool, gridWide);
    QFETCH(bool, bold);
    QFETCH(QString, expected);

    HeadlessWindow window;
    ResultTable& grid = window.resultGrid();
    grid.setRow(1);
    grid.setCol(3);
    if (gridWide)
        grid.setForeColor(255);
    else
        grid.setCellForeColor(255);
    grid.setCellFontBold(bold);
    grid.setText(QStringLiteral("X"));

    const QStringList lines = gridoutput::table(window.grid(), true).split(u'\n');
    QVERIFY(lines[1].contains(expected));
    QVERIFY(!lines[0].contains(QStringLiteral("\x1b[")));
    QVERIFY(!gridoutput::table(window.grid(), false).contains(QStringLiteral("\x1b[")));
    QCOMPARE(lines[1].count(QStringLiteral("\x1b[31m")), gridWide ? 8 : 1);
}

// One overlong cell neither widens its column beyond the cap nor pads every
// other row to its width.
void TestCheckOutput::tableCapsColumnWidth_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    const int cap = gridoutput::MaxColumnWidth;
    QTest::newRow("as wide as the cap") << QString(cap, u'a') << QString(cap, u'a');
    QTest::newRow("one column over") << QString(cap + 1, u'a') << QString(cap - 1, u'a') + u'…';
    QTest::newRow("a megabyte") << QString(1 << 20, u'a') << QString(cap - 1, u'a') + u'…';
    QTest::newRow("wide characters") << QString(cap, u'甲') << QString((cap - 1) / 2, u'甲') + u'…';
    QTest::newRow("characters outside the basic plane")
        << QString::fromUcs4(std::u32string(cap, U'\U00020000').c_str())
        << QString::fromUcs4(std::u32string((cap - 1) / 2, U'\U00020000').c_str()) + u'…';
}

void TestCheckOutput::tableCapsColumnWidth() {
    QFETCH(QString, text);
    QFETCH(QString, shown);

    HeadlessWindow window;
    ResultTable& grid = window.resultGrid();
    grid.AddItem(QStringLiteral("2"));
    grid.setRow(1);
    grid.setCol(4);
    grid.setText(text);

    const QString table = gridoutput::table(window.grid(), false);
    QCOMPARE(table.split(u'\n').at(1).split(u' ', Qt::SkipEmptyParts).last(), shown);
    QVERIFY2(table.size() < 1000, qPrintable(QString::number(table.size())));
}

void TestCheckOutput::tsvKeepsOneLinePerRow() {
    HeadlessWindow window;
    ResultTable& grid = window.resultGrid();
    grid.setRow(1);
    grid.setCol(1);
    grid.setText(QStringLiteral("a\tb\r\nc"));

    const QStringList lines = gridoutput::tsv(window.grid()).split(u'\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[1].split(u'\t').size(), 9);
    QCOMPARE(lines[1].split(u'\t').at(1), QStringLiteral("a b  c"));
}

// A page could otherwise set the terminal's title, rewrite what it shows or
// answer-back into its input.
void TestCheckOutput::controlCharactersNeverReachTheTerminal_data() {
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

void TestCheckOutput::controlCharactersNeverReachTheTerminal() {
    QFETCH(QString, text);
    QFETCH(QString, shown);

    HeadlessWindow window;
    ResultTable& grid = window.resultGrid();
    grid.setRow(1);
    grid.setCol(8);
    grid.setText(text);

    QCOMPARE(gridoutput::oneLine(text), shown);
    QCOMPARE(gridoutput::tsv(window.grid()).split(u'\n').at(1).split(u'\t').at(8), shown);
    for (const bool styled : {false, true}) {
        const QString table = gridoutput::table(window.grid(), styled);
        QVERIFY(table.split(u'\n').at(1).contains(shown));
        QVERIFY(!table.contains(QStringLiteral("\x1b]")));
        QVERIFY(!table.contains(u'\u009b'));
    }
}

// Ctrl+C acts as the Stop button, which works only while it is enabled.
void TestCheckOutput::stopOnlyWhileEnabled() {
    HeadlessWindow window;
    window.pressStop();
    QCOMPARE(window.StopRequested(), qint16(0));
    window.setStopEnabled(true);
    window.pressStop();
    QCOMPARE(window.StopRequested(), qint16(1));
}

QTEST_GUILESS_MAIN(TestCheckOutput)
#include "TestCheckOutput.moc"
