#include "CannedMarket.h"
#include "CheckProcess.h"
#include "TestMarket.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString ShopA = QStringLiteral("shopa.taobao.com");
const QString ShopB = QStringLiteral("shopb.taobao.com");

// The canned marketplace; `changed`: shop A no longer links back and
// shop B has closed.
void serve(TestMarket& market, bool changed) {
    canned::serveAll(market);
    if (!changed)
        return;
    QString pageA = canned::shopPageA();
    pageA.replace(QStringLiteral("http://myshop.taobao.com\">我的小店"),
                  QStringLiteral("http://other.taobao.com\">别的店"));
    market.setPage(ShopA, QStringLiteral("/"), canned::gbkPage(pageA));
    market.setPage(ShopB, QStringLiteral("/"), canned::gbkPage(canned::shopNotFoundPage(), 404));
}

QStringList checkArguments(const TestMarket& market, const QStringList& options,
                           const QString& address = QStringLiteral("myshop")) {
    return QStringList{"--proxy", market.proxyUrl(), "--timeout", "2"} + options +
           QStringList{address};
}

// The test environment with its history in `data`.
QProcessEnvironment withData(const QTemporaryDir& data) {
    QProcessEnvironment environment = CheckProcess::cleanEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    return environment;
}

// The recorded checks as --list-history prints them in TSV, one list of
// fields per check.
QList<QStringList> listed(const QTemporaryDir& data, const QStringList& options = {}) {
    const CheckProcess list =
        CheckProcess::run(QStringList{"--list-history"} + options, withData(data));
    QList<QStringList> checks;
    for (const QString& line : QString::fromUtf8(list.out).split(u'\n', Qt::SkipEmptyParts))
        checks << line.split(u'\t').mid(1); // all but the time
    return checks;
}

// The changes in each format's output as "kind|name|address|before|now".
QStringList changesIn(const QString& format, const QByteArray& out) {
    QStringList changes;
    if (format == QLatin1String("json")) {
        for (const QJsonValue& change : QJsonDocument::fromJson(out)["changes"].toArray())
            changes.append(QStringList{change["kind"].toString(), change["name"].toString(),
                                       change["address"].toString(), change["before"].toString(),
                                       change["now"].toString()}
                               .join(u'|'));
        return changes;
    }
    const QStringList lines = QString::fromUtf8(out).split(u'\n');
    const QString section =
        format == QLatin1String("tsv") ? QString() : QStringLiteral("与上次相比");
    for (qsizetype line = lines.indexOf(section) + 1; line < lines.size(); ++line) {
        if (lines[line].isEmpty() || lines[line] == QStringLiteral("没有变化"))
            continue;
        changes.append(
            lines[line].split(QRegularExpression(QStringLiteral("\\t|  +| → "))).join(u'|'));
    }
    return changes;
}

} // namespace

// zembrel-check --compare and --since-last against the test marketplace: a
// first check written as JSON or recorded in the history, then a second one
// compared with it; the history listed, and kept apart when it is bad.
class TestCompareCommand : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void changesSinceThePreviousCheck_data();
    void changesSinceThePreviousCheck();
    void brokenPreviousFetchesNothing_data();
    void brokenPreviousFetchesNothing();
    void noEarlierRecord_data();
    void noEarlierRecord();
    void lastAddressNeverListed();
    void failedChecksHideNoDrop();
    void previousDocuments_data();
    void previousDocuments();
    void listHistory();
    void badHistoryKeepsTheResults_data();
    void badHistoryKeepsTheResults();

private:
    QTemporaryDir dir_;
    QString previousPath_;
    QByteArray previous_;
};

void TestCompareCommand::initTestCase() {
    TestMarket market;
    QVERIFY(market.listen());
    serve(market, false);
    const CheckProcess first = CheckProcess::run(checkArguments(market, {"--format", "json"}));
    QCOMPARE(first.exitCode, 0);
    previous_ = first.out;
    previousPath_ = dir_.filePath(QStringLiteral("previous.json"));
    QFile file(previousPath_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(previous_), previous_.size());
}

// Against the history, the first check typed "MyShop" and the second
// "MYSHOP.taobao.com": the same shop.
void TestCompareCommand::changesSinceThePreviousCheck_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("failOnDrop");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("sinceLast"); // else --compare
    QTest::addColumn<bool>("notify");    // without a session bus

    QTest::newRow("json, drops fail") << "json" << true << true << 3 << false << false;
    QTest::newRow("tsv, drops fail") << "tsv" << true << true << 3 << false << false;
    QTest::newRow("table, drops reported") << "table" << true << false << 0 << false << false;
    QTest::newRow("table, nothing changed") << "table" << false << true << 0 << false << false;
    QTest::newRow("since last: json, drops fail") << "json" << true << true << 3 << true << true;
    QTest::newRow("since last: tsv, drops reported") << "tsv" << true << false << 0 << true << true;
    QTest::newRow("since last: table, drops fail") << "table" << true << true << 3 << true << false;
    QTest::newRow("since last: table, nothing changed")
        << "table" << false << true << 0 << true << false;
}

void TestCompareCommand::changesSinceThePreviousCheck() {
    QFETCH(QString, format);
    QFETCH(bool, changed);
    QFETCH(bool, failOnDrop);
    QFETCH(int, exitCode);
    QFETCH(bool, sinceLast);
    QFETCH(bool, notify);

    TestMarket market;
    QVERIFY(market.listen());
    serve(market, false);
    const QTemporaryDir data;
    if (sinceLast)
        QCOMPARE(CheckProcess::run(checkArguments(market, {}, "MyShop"), withData(data)).exitCode,
                 0);
    serve(market, changed);
    QStringList options{"--format", format};
    options << (sinceLast ? QStringList{"--since-last"} : QStringList{"--compare", previousPath_});
    if (failOnDrop)
        options.append(QStringLiteral("--fail-on-drop"));
    // Without a session bus a drop shows nowhere else: output and status
    // are the same.
    QProcessEnvironment environment = withData(data);
    if (notify) {
        options.append(QStringLiteral("--notify"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                           QStringLiteral("unix:path=") + data.filePath(QStringLiteral("no-bus")));
    }
    const CheckProcess check = CheckProcess::run(
        checkArguments(market, options, sinceLast ? "MYSHOP.taobao.com" : "myshop"), environment);

    QCOMPARE(check.exitCode, exitCode);
    const QStringList expected =
        changed ? QStringList{"不再链接你|甲店|http://shopa.taobao.com/|√|×",
                              "店铺已关闭|乙店|http://shopb.taobao.com/|正常|不存在"}
                : QStringList{};
    QCOMPARE(changesIn(format, check.out), expected);
    if (format == QLatin1String("table"))
        QCOMPARE(check.out.contains("没有变化"), !changed);
    if (format == QLatin1String("json")) {
        QCOMPARE(check.rowTexts(3), canned::expectedRow(3));
        QCOMPARE(check.json()["previous"][u"address"].toString(),
                 sinceLast ? canned::OwnHost : QString());
    }
    QVERIFY2(!check.err.contains("zembrel-check"), check.err.constData());
    QFile file(previousPath_);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), previous_);
}

void TestCompareCommand::brokenPreviousFetchesNothing_data() {
    QTest::addColumn<QByteArray>("document"); // null: no file at all

    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not JSON") << QByteArray("{\"grid\":");
    QTest::newRow("JSON of another kind") << QByteArray("{\"grid\":{},\"messages\":[]}");
}

void TestCompareCommand::brokenPreviousFetchesNothing() {
    QFETCH(QByteArray, document);

    const QString path = dir_.filePath(QStringLiteral("broken.json"));
    QFile::remove(path);
    if (!document.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(document);
    }
    TestMarket market;
    QVERIFY(market.listen());
    serve(market, false);
    const CheckProcess check =
        CheckProcess::run(checkArguments(market, {"--compare", path, "--fail-on-drop"}));

    QCOMPARE(check.exitCode, 2);
    QVERIFY(check.out.isEmpty());
    QVERIFY2(check.err.contains(("zembrel-check: " + path + ": ").toUtf8()), check.err.constData());
    QCOMPARE(market.requestLog(), QStringList{});
}

void TestCompareCommand::noEarlierRecord_data() {
    QTest::addColumn<QString>("format");
    QTest::newRow("table") << "table";
    QTest::newRow("tsv") << "tsv";
    QTest::newRow("json") << "json";
}

// No changes, nothing on standard error, and the history's only record is
// this check.
void TestCompareCommand::noEarlierRecord() {
    QFETCH(QString, format);
    TestMarket market;
    QVERIFY(market.listen());
    serve(market, false);
    const QTemporaryDir data;
    const CheckProcess check = CheckProcess::run(
        checkArguments(market, {"--format", format, "--since-last", "--fail-on-drop"}),
        withData(data));

    QCOMPARE(check.exitCode, 0);
    QVERIFY2(!check.err.contains("zembrel-check"), check.err.constData());
    if (format == QLatin1String("table"))
        QVERIFY(check.out.endsWith("\n与上次相比\n没有上次的记录\n"));
    if (format == QLatin1String("tsv"))
        QVERIFY(check.out.endsWith("\t\n\n"));
    if (format == QLatin1String("json")) {
        QVERIFY(check.json()["previous"].isNull());
        QCOMPARE(check.json()["changes"].toArray(), QJsonArray());
    }
    QCOMPARE(listed(data).size(), 1);
}

// With several addresses the last one is compared. When its own page is
// gone, the grid still holds the address before it: nothing of it can be
// compared, so nothing counts as dropped.
void TestCompareCommand::lastAddressNeverListed() {
    const QString other = QStringLiteral("othershop.taobao.com");
    TestMarket market;
    QVERIFY(market.listen());
    serve(market, false);
    // Its friend links at first: those of the own shop, with shop A's moved elsewhere.
    QString otherPage = canned::ownPage();
    otherPage.replace(QStringLiteral("http://shopa.taobao.com/"),
                      QStringLiteral("http://shopz.taobao.com/"));
    market.setPage(other, QStringLiteral("/"), canned::gbkPage(otherPage));
    const QTemporaryDir data;
    QCOMPARE(CheckProcess::run(checkArguments(market, {}, other), withData(data)).exitCode, 0);
    market.setPage(other, QStringLiteral("/"), canned::gbkPage(canned::shopNotFoundPage(), 404));
    const CheckProcess check = CheckProcess::run(
        checkArguments(market, {"--format", "json", "--fail-on-drop", "--since-last", "myshop"},
                       other),
        withData(data));

    QCOMPARE(check.exitCode, 0);
    const QStringList changes = changesIn(QStringLiteral("json"), check.out);
    QVERIFY(!changes.isEmpty());
    for (const QString& change : changes)
        QVERIFY2(change.startsWith(QStringLiteral("未能比较|")), qPrintable(change));
}

// Day 1 links back, day 2 the own page cannot be fetched, day 3 a partner
// dropped the shop: day 3 reports it, against day 1; day 4 no longer does.
void TestCompareCommand::failedChecksHideNoDrop() {
    TestMarket market;
    QVERIFY(market.listen());
    serve(market, false);
    const QTemporaryDir data;
    const QStringList sinceLast{"--format", "json", "--fail-on-drop", "--since-last"};
    QCOMPARE(CheckProcess::run(checkArguments(market, {}), withData(data)).exitCode, 0);
    market.setPage(canned::OwnHost, QStringLiteral("/"),
                   canned::gbkPage(canned::shopNotFoundPage(), 404));
    QCOMPARE(CheckProcess::run(checkArguments(market, sinceLast), withData(data)).exitCode, 0);
    serve(market, true);
    const CheckProcess day3 = CheckProcess::run(checkArguments(market, sinceLast), withData(data));
    const CheckProcess day4 = CheckProcess::run(checkArguments(market, sinceLast), withData(data));

    QCOMPARE(day3.exitCode, 3);
    QCOMPARE(changesIn(QStringLiteral("json"), day3.out),
             (QStringList{"不再链接你|甲店|http://shopa.taobao.com/|√|×",
                          "店铺已关闭|乙店|http://shopb.taobao.com/|正常|不存在"}));
    const QJsonDocument day3Document = QJsonDocument::fromJson(day3.out);
    const QString day1 = day3Document["previous"]["time"].toString();
    QCOMPARE(day3Document["changes"][0]["since"].toString(), day1);
    QCOMPARE(listed(data).size(), 4);
    QCOMPARE(day4.exitCode, 0);
    QCOMPARE(changesIn(QStringLiteral("json"), day4.out), QStringList());
}

// PREVIOUS as today's version writes it, as earlier versions did (without
// "lastRun"), of another address, and of a last run that never listed its
// friend links (whose grid still shows an earlier address's rows).
void TestCompareCommand::previousDocuments_data() {
    QTest::addColumn<QString>("lastRun"); // "" for none, else address|listed
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("changes"); // "" none, "not compared" every row

    QTest::newRow("today's document") << "myshop.taobao.com|1" << 3 << "drops";
    QTest::newRow("without the last run") << "" << 3 << "drops";
    QTest::newRow("of another address") << "othershop.taobao.com|1" << 2 << "";
    QTest::newRow("last run never listed") << "myshop.taobao.com|0" << 0 << "not compared";
}

void TestCompareCommand::previousDocuments() {
    QFETCH(QString, lastRun);
    QFETCH(int, exitCode);
    QFETCH(QString, changes);
    QJsonObject document = QJsonDocument::fromJson(previous_).object();
    QCOMPARE(document[u"lastRun"][u"address"].toString(), QStringLiteral("myshop.taobao.com"));
    if (lastRun.isEmpty()) {
        document.remove(QStringLiteral("lastRun"));
    } else {
        QJsonObject last = document[u"lastRun"].toObject();
        last[u"address"] = lastRun.section(u'|', 0, 0);
        last[u"listedFriendLinks"] = lastRun.endsWith(u'1');
        document[u"lastRun"] = last;
    }
    const QString path = dir_.filePath(QStringLiteral("edited.json"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(document).toJson());
    file.close();
    TestMarket market;
    QVERIFY(market.listen());
    serve(market, true);

    const CheckProcess check = CheckProcess::run(
        checkArguments(market, {"--format", "json", "--fail-on-drop", "--compare", path}));

    QCOMPARE(check.exitCode, exitCode);
    if (exitCode == 2) {
        // Named both addresses, fetched nothing.
        QVERIFY2(check.err.contains("othershop.taobao.com") && check.err.contains("myshop"),
                 check.err.constData());
        QCOMPARE(market.requestLog(), QStringList());
        return;
    }
    const QStringList found = changesIn(QStringLiteral("json"), check.out);
    QCOMPARE(found.size(), changes == QLatin1String("drops") ? 2 : 3);
    for (const QString& change : found)
        QCOMPARE(change.startsWith(QStringLiteral("未能比较|")), changes != QLatin1String("drops"));
}

// Newest first, of every address or of one however it is typed, with
// --no-history's check left out and nothing fetched.
void TestCompareCommand::listHistory() {
    TestMarket market;
    QVERIFY(market.listen());
    serve(market, false);
    market.setPage(QStringLiteral("gone.taobao.com"), QStringLiteral("/"),
                   canned::gbkPage(canned::shopNotFoundPage()));
    const QTemporaryDir data;
    const QList<std::pair<QStringList, QString>> checks{
        {{}, "myshop"}, {{"--no-history"}, "MYSHOP"}, {{}, "gone"}};
    for (const auto& [options, address] : checks) {
        const CheckProcess check =
            CheckProcess::run(checkArguments(market, options, address), withData(data));
        QCOMPARE(check.exitCode, 0);
    }
    const qsizetype requests = market.requestLog().size();

    const QStringList myshop{canned::OwnHost, "完成", "3", "2", "1", "0", "0"};
    QCOMPARE(listed(data),
             (QList<QStringList>{
                 {"gone.taobao.com", "您输入的店铺不存在！", "0", "0", "0", "0", "0"}, myshop}));
    QCOMPARE(listed(data, {" MyShop\n"}), QList<QStringList>{myshop});
    const CheckProcess json =
        CheckProcess::run({"--list-history", "--format", "json", "myshop"}, withData(data));
    const QJsonArray array = QJsonDocument::fromJson(json.out).array();
    QCOMPARE(array.size(), 1);
    QCOMPARE(array[0]["ending"].toString(), QStringLiteral("finished"));
    QCOMPARE(array[0]["linksBack"].toInt(), 2);
    QVERIFY(QDateTime::fromString(array[0]["time"].toString(), Qt::ISODate).isValid());
    QCOMPARE(market.requestLog().size(), requests);
}

void TestCompareCommand::badHistoryKeepsTheResults_data() {
    QTest::addColumn<QString>("history"); // what stands where the history would be
    QTest::newRow("not a database") << "file";
    QTest::newRow("a folder that cannot be made") << "blocked";
}

// The results and exit status as always, one line on standard error; a
// file that is not a history is kept under another name.
void TestCompareCommand::badHistoryKeepsTheResults() {
    QFETCH(QString, history);
    TestMarket market;
    QVERIFY(market.listen());
    serve(market, false);
    const QTemporaryDir data;
    const QString folder = data.filePath(QStringLiteral("zembrel"));
    QFile file(history == QLatin1String("file") ? folder + QStringLiteral("/history.sqlite")
                                                : folder);
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a history");
    file.close();

    const CheckProcess check = CheckProcess::run(
        checkArguments(market, {"--format", "json", "--since-last"}), withData(data));

    QCOMPARE(check.exitCode, 0);
    QCOMPARE(check.rowTexts(3), canned::expectedRow(3));
    QVERIFY(check.json()["previous"].isNull());
    const QStringList lines =
        QString::fromUtf8(check.err).split(u'\n').filter(QStringLiteral("zembrel-check"));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains(QStringLiteral("history")), qPrintable(lines[0]));
    if (history == QLatin1String("file")) {
        QCOMPARE(QDir(folder).entryList({"history.sqlite.broken-*"}).size(), 1);
        QCOMPARE(listed(data).size(), 1);
    }
}

QTEST_GUILESS_MAIN(TestCompareCommand)
#include "TestCompareCommand.moc"
