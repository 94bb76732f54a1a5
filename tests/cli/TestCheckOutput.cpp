#include "ChangeOutput.h"
#include "CheckDocument.h"
#include "CheckOptions.h"
#include "DemoMarketplace.h"
#include "HeadlessWindow.h"
#include "PreviousCheck.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// The command line, the Stop key, reading an earlier check back and the
// list of changes, without running a check.
class TestCheckOutput : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
    void stopOnlyWhileEnabled();
    void previousCheck_data();
    void previousCheck();
    void dropsRedOnlyWhenStyled();
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
    const QList<GridChange> changes{{ChangeKind::Removed, "甲", "a", "", ""},
                                    {ChangeKind::CreditChanged, "乙", "b", "1心", "2心"}};
    const QStringList styled = changeoutput::table(changes, true).split(u'\n');
    QCOMPARE(styled.mid(1, 3), (QStringList{"与上次相比", "\x1b[31m移除      甲  a\x1b[0m",
                                            "信用变化  乙  b  1心 → 2心"}));
    QVERIFY(!changeoutput::table(changes, false).contains(u'\x1b'));
}

QTEST_GUILESS_MAIN(TestCheckOutput)
#include "TestCheckOutput.moc"
