#include "ChangeOutput.h"
#include "CheckDocument.h"
#include "CheckOptions.h"
#include "DemoMarketplace.h"
#include "GridOutput.h"
#include "HeadlessWindow.h"
#include "PreviousCheck.h"
#include "ResultColumns.h"
#include "ResultGrid.h"
#include "TerminalText.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// Writes `text` into a cell, adding rows up to its row.
void write(ResultGrid& grid, qint32 row, qint32 col, const QString& text) {
    while (grid.Rows() <= row)
        grid.AddItem(QString::number(grid.Rows()));
    grid.setRow(row);
    grid.setCol(col);
    grid.setText(text);
}

} // namespace

// The command line, the Stop key, reading an earlier check back, and the
// grid and the list of changes as terminal text, without running a check.
class TestCheckOutput : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void stopOnlyWhileEnabled();
    void previousCheck_data();
    void previousCheck();
    void dropsRedOnlyWhenStyled();
    void tableAlignsWideCharacters();
    void displayWidth_data();
    void displayWidth();
    void tableStylesProblemCells_data();
    void tableStylesProblemCells();
    void tableCapsColumnWidth_data();
    void tableCapsColumnWidth();
    void controlCharactersNeverReachTheTerminal_data();
    void controlCharactersNeverReachTheTerminal();
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

// Ctrl+C acts as the Stop button, which works only while it is enabled.
void TestCheckOutput::stopOnlyWhileEnabled() {
    HeadlessWindow window;
    window.pressStop();
    QCOMPARE(window.StopRequested(), qint16(0));
    window.setStopEnabled(true);
    window.pressStop();
    QCOMPARE(window.StopRequested(), qint16(1));
}

// The document written by --format json reads back; anything else is
// refused with what is wrong.
void TestCheckOutput::previousCheck_data() {
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
    QTest::newRow("written with changes")
        << checkdocument::json(window, {{"changes", QJsonArray{1}}}) << "";
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

void TestCheckOutput::previousCheck() {
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
void TestCheckOutput::dropsRedOnlyWhenStyled() {
    const QList<GridChange> changes{{ChangeKind::Removed, "甲", "a", "", "", {}},
                                    {ChangeKind::CreditChanged, "乙", "b", "1心", "2心", {}}};
    const QStringList styled = changeoutput::table(changes, true).split(u'\n');
    QCOMPARE(styled.mid(1, 3), (QStringList{"与上次相比", "\x1b[31m移除      甲  a\x1b[0m",
                                            "信用变化  乙  b  1心 → 2心"}));
    QVERIFY(!changeoutput::table(changes, false).contains(u'\x1b'));
}

// Chinese characters take two terminal columns; the columns stay aligned.
void TestCheckOutput::tableAlignsWideCharacters() {
    ResultGrid grid;
    setUpResultColumns(grid);
    const QStringList names{QStringLiteral("甲店"), QStringLiteral("abcde")};
    for (int row = 1; row <= 2; ++row) {
        write(grid, row, 1, names[row - 1]);
        write(grid, row, 2, QStringLiteral("X%1").arg(row));
    }

    const QStringList lines = gridoutput::table(grid, false).split(u'\n');
    QCOMPARE(lines.size(), 4);
    const QStringList columnTwo{QStringLiteral("店铺地址"), "X1", "X2"};
    const auto startOf = [&](int row) {
        return terminaltext::displayWidth(lines[row].left(lines[row].indexOf(columnTwo[row])));
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
    QCOMPARE(terminaltext::displayWidth(text), columns);
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

    const QStringList lines = gridoutput::table(grid, true).split(u'\n');
    QVERIFY(lines[1].contains(expected));
    QVERIFY(!lines[0].contains(QStringLiteral("\x1b[")));
    QVERIFY(!gridoutput::table(grid, false).contains(QStringLiteral("\x1b[")));
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

    ResultGrid grid;
    setUpResultColumns(grid);
    write(grid, 2, 4, QString());
    write(grid, 1, 4, text);

    const QString table = gridoutput::table(grid, false);
    QCOMPARE(table.split(u'\n').at(1).split(u' ', Qt::SkipEmptyParts).last(), shown);
    QVERIFY2(table.size() < 1000, qPrintable(QString::number(table.size())));
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

    ResultGrid grid;
    setUpResultColumns(grid);
    write(grid, 1, 8, text);

    QCOMPARE(terminaltext::oneLine(text), shown);
    const QStringList tsv = gridoutput::tsv(grid).split(u'\n');
    QCOMPARE(tsv.size(), 3);
    QCOMPARE(tsv.at(1).split(u'\t').size(), 9);
    QCOMPARE(tsv.at(1).split(u'\t').at(8), shown);
    for (const bool styled : {false, true}) {
        const QString table = gridoutput::table(grid, styled);
        QVERIFY(table.split(u'\n').at(1).contains(shown));
        QVERIFY(!table.contains(QStringLiteral("\x1b]")));
        QVERIFY(!table.contains(u'\u009b'));
    }
}

QTEST_GUILESS_MAIN(TestCheckOutput)
#include "TestCheckOutput.moc"
