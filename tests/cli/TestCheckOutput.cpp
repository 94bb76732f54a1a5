#include "CheckOptions.h"
#include "DemoMarketplace.h"
#include "HeadlessWindow.h"

#include <QTest>

using namespace std::chrono_literals;

// The command line and the Stop key, without running a check.
class TestCheckOutput : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data();
    void commandLine();
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
