#include "CannedMarket.h"
#include "CheckProcess.h"
#include "MarketFaults.h"
#include "MixedMarket.h"
#include "RunTexts.h"
#include "TestMarket.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <functional>

Q_DECLARE_METATYPE(MarketPage)
using MarketSetup = std::function<void(TestMarket&)>;
Q_DECLARE_METATYPE(MarketSetup)

namespace {

// A cell the run marks as a problem: its text, colour 255, optionally bold.
struct Mark {
    int row;
    int col;
    QString text;
};

QStringList checkArguments(const TestMarket& market, const QStringList& addresses,
                           const QString& timeout = QStringLiteral("2")) {
    return QStringList{"--proxy", market.proxyUrl(), "--timeout", timeout, "--format", "json"} +
           addresses;
}

MarketPage fault(MarketFault kind) {
    MarketPage page;
    page = withFault(page, kind);
    return page;
}

MarketPage emptyPage(int status) {
    MarketPage page;
    page.status = status;
    return page;
}

MarketPage redirectTo(const QByteArray& location, int status = 302) {
    MarketPage page;
    page.status = status;
    page.headers = {{"Location", location}};
    return page;
}

QStringList messageTexts(const QJsonObject& json) {
    QStringList texts;
    for (const QJsonValue& message : json["messages"].toArray()) {
        if (message["title"].toString() != runtext::MessageTitle)
            return {QStringLiteral("wrong title: ") + message["title"].toString()};
        texts.append(message["text"].toString());
    }
    return texts;
}

} // namespace

class TestCheckCommand : public QObject {
    Q_OBJECT

private slots:
    void ownShopPage_data();
    void ownShopPage();
    void friendShops_data();
    void friendShops();
    void proxyFromEnvironment_data();
    void proxyFromEnvironment();
    void runsKeepTheWindowState();
    void interruptStopsAfterTheRow_data();
    void interruptStopsAfterTheRow();
    void secondInterruptExits();
    void tsvOutput();
    void resultsThatCannotBeWritten_data();
    void resultsThatCannotBeWritten();
    void jobsGiveTheSameResults();
    void usageErrors_data();
    void usageErrors();
    void helpVersionAndErrorsInTheUsersLanguage_data();
    void helpVersionAndErrorsInTheUsersLanguage();
};

// How the own shop page ends or continues a run. Addresses are typed as given.
void TestCheckCommand::ownShopPage_data() {
    QTest::addColumn<MarketSetup>("setup");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("addressBox");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("gridRows");

    const MarketSetup all = [](TestMarket& m) { canned::serveAll(m); };
    const auto allBut = [](const MarketPage& ownPage) {
        return MarketSetup([ownPage](TestMarket& m) {
            canned::serveAll(m);
            m.setPage(canned::OwnHost, QStringLiteral("/"), ownPage);
        });
    };
    const QString own = canned::OwnHost;

    QTest::newRow("full run over all three layouts")
        << all << "MyShop" << own << QStringList{} << 5;
    QTest::newRow("blank address") << all << "  "
                                   << "  " << QStringList{runtext::EmptyAddress} << 2;
    QTest::newRow("connection closed") << allBut(fault(MarketFault::CloseWithoutAnswer)) << "myshop"
                                       << own << QStringList{runtext::NetworkFailed} << 2;
    QTest::newRow("HTTP 500 with an empty body")
        << allBut(emptyPage(500)) << "myshop" << own << QStringList{runtext::NetworkFailed} << 2;
    QTest::newRow("HTTP 404 shop-not-found page")
        << allBut(canned::gbkPage(canned::shopNotFoundPage(), 404)) << "myshop" << own
        << QStringList{runtext::ShopMissing} << 2;
    QTest::newRow("no friend links")
        << allBut(canned::gbkPage(QStringLiteral("<title>首页-我的小店 - 淘宝网</title>")))
        << "myshop" << own << QStringList{runtext::NoFriendLinks} << 2;

    MarketPage utf8 = canned::gbkPage(QString());
    utf8.body =
        QByteArray("<html><head><meta charset=\"utf-8\"></head>") + canned::ownPage().toUtf8();
    QTest::newRow("UTF-8 page that declares it")
        << allBut(utf8) << "myshop" << own << QStringList{} << 5;

    const MarketSetup redirected = [](TestMarket& m) {
        canned::serveAll(m);
        m.setPage(canned::OwnHost, QStringLiteral("/"),
                  redirectTo("http://shop1234.taobao.com/", 301));
        m.setPage(QStringLiteral("shop1234.taobao.com"), QStringLiteral("/"),
                  redirectTo("/index.htm"));
        m.setPage(QStringLiteral("shop1234.taobao.com"), QStringLiteral("/index.htm"),
                  canned::gbkPage(canned::ownPage()));
    };
    QTest::newRow("redirects followed") << redirected << "myshop" << own << QStringList{} << 5;
}

void TestCheckCommand::ownShopPage() {
    QFETCH(MarketSetup, setup);
    QFETCH(QString, address);
    QFETCH(QString, addressBox);
    QFETCH(QStringList, messages);
    QFETCH(int, gridRows);

    TestMarket market;
    QVERIFY(market.listen());
    setup(market);
    const CheckProcess check = CheckProcess::run(checkArguments(market, {address}));

    QCOMPARE(check.exitCode, 0);
    const QJsonObject json = check.json();
    QCOMPARE(json["addressBox"].toString(), addressBox);
    QCOMPARE(json["analyzeEnabled"].toBool(false), true);
    QCOMPARE(json["stopEnabled"].toBool(true), false);
    QCOMPARE(json["stopRequested"].toInt(-1), 0);
    QCOMPARE(messageTexts(json), messages);
    for (const QString& message : messages)
        QVERIFY(check.err.contains((QStringLiteral("提示: ") + message).toUtf8()));
    QCOMPARE(json["grid"][u"rows"].toInt(), gridRows);
    QCOMPARE(json["grid"][u"cols"].toInt(), 9);
    QVERIFY(json["grid"][u"foreColor"].isNull());
    QCOMPARE(json["grid"][u"cells"].toArray().size(), gridRows);
    QCOMPARE(check.rowTexts(0).mid(1, 2), (QStringList{"店铺名称", "店铺地址"}));
    for (int row = 1; row < gridRows - 1; ++row)
        QCOMPARE(check.rowTexts(row), canned::expectedRow(row));
}

// How trouble with a friend shop or its rating page shows in the grid.
void TestCheckCommand::friendShops_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("path");
    QTest::addColumn<MarketPage>("page");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<Mark>>("marks");
    QTest::addColumn<bool>("gridWideRed");
    QTest::addColumn<int>("rowsDone"); // rows that end as the canned row

    const QString shopA = QStringLiteral("shopa.taobao.com");
    const QString shopB = QStringLiteral("shopb.taobao.com");
    const QString shopC = QStringLiteral("shopc.tmall.com");
    const QString root = QStringLiteral("/");
    const QStringList failed{runtext::NetworkFailed};

    QTest::newRow("friend shop closes the connection")
        << shopA << root << fault(MarketFault::CloseWithoutAnswer) << failed
        << QList<Mark>{{1, 3, runtext::NetworkBroken}} << true << 0;
    QTest::newRow("friend shop body cut short")
        << shopA << root << fault(MarketFault::CutBodyShort) << failed
        << QList<Mark>{{1, 3, runtext::NetworkBroken}} << true << 0;
    QTest::newRow("friend shop HTTP 500 with an empty body")
        << shopC << root << emptyPage(500) << failed << QList<Mark>{{3, 3, runtext::NetworkBroken}}
        << true << 2;
    QTest::newRow("friend shop is the HTTP 404 not-found page")
        << shopB << root << canned::gbkPage(canned::shopNotFoundPage(), 404) << QStringList{}
        << QList<Mark>{{2, 3, runtext::NotExisting}} << false << 1;
    QTest::newRow("rating page never answers")
        << canned::RatingHost << canned::RatingPath << fault(MarketFault::NeverAnswer) << failed
        << QList<Mark>{{2, 8, runtext::NetworkBroken}} << false << 1;
}

void TestCheckCommand::friendShops() {
    QFETCH(QString, host);
    QFETCH(QString, path);
    QFETCH(MarketPage, page);
    QFETCH(QStringList, messages);
    QFETCH(QList<Mark>, marks);
    QFETCH(bool, gridWideRed);
    QFETCH(int, rowsDone);

    TestMarket market;
    QVERIFY(market.listen());
    canned::serveAll(market);
    market.setPage(host, path, page);
    QElapsedTimer clock;
    clock.start();
    const CheckProcess check = CheckProcess::run(checkArguments(market, {"myshop"}, "1"));

    QCOMPARE(check.exitCode, 0);
    QVERIFY2(clock.elapsed() < 15000, "the time-out did not end the wait");
    const QJsonObject json = check.json();
    QCOMPARE(messageTexts(json), messages);
    QCOMPARE(json["analyzeEnabled"].toBool(false), true);
    QCOMPARE(json["stopEnabled"].toBool(true), false);
    QCOMPARE(json["grid"][u"foreColor"].isNull(), !gridWideRed);
    if (gridWideRed)
        QCOMPARE(json["grid"][u"foreColor"].toInt(), 255);
    for (int row = 1; row <= rowsDone; ++row)
        QCOMPARE(check.rowTexts(row), canned::expectedRow(row));
    for (const Mark& mark : marks) {
        const QJsonObject cell = check.cell(mark.row, mark.col);
        QCOMPARE(cell["text"].toString(), mark.text);
        QCOMPARE(cell["color"].toInt(), gridWideRed ? 0 : 255);
    }
}

// Without --proxy the proxy variables route the requests; no_proxy exempts hosts.
void TestCheckCommand::proxyFromEnvironment_data() {
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("noProxy");
    QTest::addColumn<bool>("throughMarket");

    QTest::newRow("http_proxy") << "http_proxy"
                                << "" << true;
    QTest::newRow("HTTP_PROXY") << "HTTP_PROXY"
                                << "" << true;
    QTest::newRow("no_proxy exempts the shop") << "http_proxy" << canned::OwnHost << false;
}

void TestCheckCommand::proxyFromEnvironment() {
    QFETCH(QString, variable);
    QFETCH(QString, noProxy);
    QFETCH(bool, throughMarket);

    TestMarket market;
    QVERIFY(market.listen());
    canned::serveAll(market);
    QProcessEnvironment environment = CheckProcess::cleanEnvironment();
    environment.insert(variable, market.proxyUrl());
    if (!noProxy.isEmpty())
        environment.insert(QStringLiteral("no_proxy"), noProxy);

    const CheckProcess check =
        CheckProcess::run({"--timeout", "2", "--format", "json", "myshop"}, environment);

    QCOMPARE(check.exitCode, 0);
    const QJsonObject json = check.json();
    if (throughMarket) {
        QCOMPARE(messageTexts(json), QStringList{});
        QCOMPARE(check.rowTexts(3), canned::expectedRow(3));
    } else {
        QCOMPARE(messageTexts(json), QStringList{runtext::NetworkFailed});
        QVERIFY(!market.requestLog().contains("GET http://myshop.taobao.com/"));
    }
}

// Each address is a new Analyze press on the same window: the grid of the
// first run stays when the second ends at a message.
void TestCheckCommand::runsKeepTheWindowState() {
    TestMarket market;
    QVERIFY(market.listen());
    canned::serveAll(market);
    const CheckProcess check = CheckProcess::run(checkArguments(market, {"MYSHOP", ""}));

    QCOMPARE(check.exitCode, 0);
    const QJsonObject json = check.json();
    QCOMPARE(json["addressBox"].toString(), QString());
    QCOMPARE(messageTexts(json), QStringList{runtext::EmptyAddress});
    QCOMPARE(check.rowTexts(2), canned::expectedRow(2));
    QCOMPARE(check.cell(3, 8)["bold"].toBool(), true);
    QCOMPARE(check.cell(3, 8)["color"].toInt(), 255);
}

// Ctrl+C is the Stop button: the run stops after the row in progress. One
// job asks for nothing beyond that row; more jobs may have asked ahead, but
// the grid is the same.
void TestCheckCommand::interruptStopsAfterTheRow_data() {
    QTest::addColumn<QString>("jobs");
    QTest::addColumn<bool>("strictlyInTurn");

    QTest::newRow("one job") << QStringLiteral("1") << true;
    QTest::newRow("eight jobs") << QStringLiteral("8") << false;
}

void TestCheckCommand::interruptStopsAfterTheRow() {
    QFETCH(QString, jobs);
    QFETCH(bool, strictlyInTurn);
    TestMarket market;
    QVERIFY(market.listen());
    canned::serveAll(market);
    MarketPage slowA = canned::gbkPage(canned::shopPageA());
    slowA.delayMs = 700;
    market.setPage(QStringLiteral("shopa.taobao.com"), QStringLiteral("/"), slowA);

    qint64 pid = 0;
    connect(&market, &TestMarket::requested, this, [&pid](const QString& entry) {
        if (entry.contains(QStringLiteral("shopa")))
            ::kill(pid_t(pid), SIGINT);
    });
    const CheckProcess check = CheckProcess::run(checkArguments(market, {"--jobs", jobs, "myshop"}),
                                                 CheckProcess::cleanEnvironment(),
                                                 [&pid](qint64 started) { pid = started; });

    QCOMPARE(check.exitCode, 0);
    const QJsonObject json = check.json();
    QCOMPARE(json["stopRequested"].toInt(-1), 0);
    QCOMPARE(check.rowTexts(1), canned::expectedRow(1));
    QCOMPARE(check.cell(2, 3)["text"].toString(), runtext::UserStopped);
    QCOMPARE(check.cell(2, 3)["color"].toInt(), 255);
    QCOMPARE(check.rowTexts(3).mid(3), QStringList(6, QString()));
    if (strictlyInTurn)
        QVERIFY(!market.requestLog().contains("GET http://shopb.taobao.com/"));
}

void TestCheckCommand::secondInterruptExits() {
    TestMarket market;
    QVERIFY(market.listen());
    canned::serveAll(market);
    market.setPage(canned::OwnHost, QStringLiteral("/"), fault(MarketFault::NeverAnswer));

    qint64 pid = 0;
    // Two signals sent at once could merge into one; the second follows later.
    connect(&market, &TestMarket::requested, this, [&pid] {
        ::kill(pid_t(pid), SIGINT);
        QTimer::singleShot(200, [&pid] { ::kill(pid_t(pid), SIGINT); });
    });
    const CheckProcess check = CheckProcess::run(checkArguments(market, {"myshop"}, "20"),
                                                 CheckProcess::cleanEnvironment(),
                                                 [&pid](qint64 started) { pid = started; });

    QCOMPARE(check.crashed, false);
    QCOMPARE(check.exitCode, 130);
    QVERIFY(check.out.isEmpty());
}

void TestCheckCommand::tsvOutput() {
    TestMarket market;
    QVERIFY(market.listen());
    canned::serveAll(market);
    const CheckProcess check = CheckProcess::run(
        {"--proxy", market.proxyUrl(), "--timeout", "2", "--format", "tsv", "myshop"});

    QCOMPARE(check.exitCode, 0);
    const QStringList lines = QString::fromUtf8(check.out).split(u'\n');
    QCOMPARE(lines.size(), 6); // five grid rows, then the end of the last line
    QCOMPARE(lines[0].split(u'\t').size(), 9);
    QCOMPARE(lines[1].split(u'\t'), canned::expectedRow(1));
    QCOMPARE(lines[5], QString());
}

// Results lost on the way out are a failure, not a success.
void TestCheckCommand::resultsThatCannotBeWritten_data() {
    QTest::addColumn<QString>("redirection"); // of standard output, in sh
    QTest::addColumn<QByteArray>("reason");

    QTest::newRow("full disk") << ">/dev/full" << QByteArray("No space left on device");
    QTest::newRow("closed") << ">&-" << QByteArray("Bad file descriptor");
    QTest::newRow("reader gone") << "| true" << QByteArray("Broken pipe");
}

void TestCheckCommand::resultsThatCannotBeWritten() {
    QFETCH(QString, redirection);
    QFETCH(QByteArray, reason);
    TestMarket market;
    QVERIFY(market.listen());
    canned::serveAll(market);
    // The exit status of the check is the shell's, also in a pipeline.
    const QString shell =
        QStringLiteral("\"$0\" \"$@\" %1; exit ${PIPESTATUS[0]}").arg(redirection);
    const CheckProcess check =
        CheckProcess::run(checkArguments(market, {"myshop"}), CheckProcess::cleanEnvironment(), {},
                          {"bash", "-c", shell});

    QCOMPARE(check.exitCode, 1);
    QVERIFY2(check.err.contains("zembrel-check: cannot write the results: " + reason),
             check.err.constData());
}

// Fetching ahead changes nothing in the results.
void TestCheckCommand::jobsGiveTheSameResults() {
    QList<QByteArray> outputs;
    for (const char* jobs : {"1", "8"}) {
        TestMarket market;
        QVERIFY(market.listen());
        mixedmarket::Options options;
        options.delayMs = 10;
        options.delayStepMs = 40;
        mixedmarket::serve(market, options);
        const CheckProcess check =
            CheckProcess::run(checkArguments(market, {"--jobs", jobs, mixedmarket::OwnAddress}));
        QCOMPARE(check.exitCode, 0);
        QCOMPARE(check.rowTexts(12)[3], runtext::Normal);
        outputs << check.out;
    }
    QCOMPARE(outputs[1], outputs[0]);
}

void TestCheckCommand::usageErrors_data() {
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("no address") << QStringList{"--format", "json"};
    QTest::newRow("unknown format") << QStringList{"--format", "xml", "myshop"};
    QTest::newRow("zero time-out") << QStringList{"--timeout", "0", "myshop"};
    QTest::newRow("time-out not a number") << QStringList{"--timeout", "soon", "myshop"};
    QTest::newRow("proxy of another scheme")
        << QStringList{"--proxy", "socks5://127.0.0.1:1080", "myshop"};
    QTest::newRow("unknown option") << QStringList{"--workers", "4", "myshop"};
    QTest::newRow("no jobs") << QStringList{"--jobs", "0", "myshop"};
    QTest::newRow("more jobs than allowed") << QStringList{"--jobs", "33", "myshop"};
    QTest::newRow("jobs not a whole number") << QStringList{"--jobs", "2.5", "myshop"};
    QTest::newRow("more render jobs than allowed") << QStringList{"--render-jobs", "9", "myshop"};
    QTest::newRow("negative render jobs") << QStringList{"--render-jobs", "-1", "myshop"};
    QTest::newRow("demo through a proxy")
        << QStringList{"--demo", "--proxy", "http://127.0.0.1:9", "myshop"};
    QTest::newRow("fail on drop without a comparison") << QStringList{"--fail-on-drop", "myshop"};
    QTest::newRow("since last and a file to compare")
        << QStringList{"--since-last", "--compare", "previous.json", "myshop"};
    QTest::newRow("history of two addresses") << QStringList{"--list-history", "a", "b"};
    QTest::newRow("notify without the history's comparison")
        << QStringList{"--notify", "--compare", "previous.json", "myshop"};
    QTest::newRow("notify of a check kept out of the history")
        << QStringList{"--notify", "--since-last", "--no-history", "myshop"};
}

void TestCheckCommand::usageErrors() {
    QFETCH(QStringList, arguments);
    const CheckProcess check = CheckProcess::run(arguments);
    QCOMPARE(check.exitCode, 2);
    QVERIFY(check.out.isEmpty());
    QVERIFY(check.err.contains("zembrel-check: "));
}

// What both programs answer on the command line. Chinese under a Chinese
// locale, English otherwise; help and version also without a display.
void TestCheckCommand::helpVersionAndErrorsInTheUsersLanguage_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QStringList>("err");

    const QString check = QStringLiteral(ZEMBREL_CHECK_PATH);
    const QString window = QStringLiteral(ZEMBREL_WINDOW_PATH);
    const QString version = QStringLiteral("1.03 (build 0015)\n");
    const QString english = QStringLiteral("C.UTF-8");
    const QString chinese = QStringLiteral("zh_CN.UTF-8");

    QTest::newRow("check: version") << check << QStringList{"--version"} << english << true << 0
                                    << QStringList{"zembrel-check " + version} << QStringList{};
    QTest::newRow("window: version without a display")
        << window << QStringList{"--version"} << english << false << 0
        << QStringList{"zembrel " + version} << QStringList{};
    QTest::newRow("window: help without a display")
        << window << QStringList{"--help"} << english << false << 0
        << QStringList{"Usage: ", "--demo", "Fetch all pages through this HTTP proxy."}
        << QStringList{};
    QTest::newRow("window: help in Chinese without a display")
        << window << QStringList{"--help"} << chinese << false << 0
        << QStringList{"用法：", "--demo", "打开时使用演示店铺"} << QStringList{};
    QTest::newRow("check: help in Chinese")
        << check << QStringList{"--help"} << chinese << true << 0
        << QStringList{"用法：", "--fail-on-drop", "退出状态为 3"} << QStringList{};
    QTest::newRow("check: usage error in Chinese")
        << check << QStringList{"--jobs", "0", "myshop"} << chinese << true << 2 << QStringList{}
        << QStringList{"zembrel-check: 不是 1 到 32 之间的同时下载数：0",
                       "运行“zembrel-check --help”查看更多说明。"};
    QTest::newRow("check: Qt's parser in Chinese")
        << check << QStringList{"--workers", "4", "myshop"} << chinese << true << 2 << QStringList{}
        << QStringList{"未知选项“workers”。"};
    QTest::newRow("window: usage error in English")
        << window << QStringList{"--demo", "--proxy", "http://127.0.0.1:9"} << english << true << 2
        << QStringList{}
        << QStringList{"zembrel: --demo and --proxy cannot be used together.",
                       "Try 'zembrel --help' for more information."};
}

void TestCheckCommand::helpVersionAndErrorsInTheUsersLanguage() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, locale);
    QFETCH(bool, display);
    QFETCH(int, status);
    QFETCH(QStringList, out);
    QFETCH(QStringList, err);

    // Qt takes the language from LANGUAGE and LC_MESSAGES before LANG.
    QProcessEnvironment environment = CheckProcess::cleanEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), locale);
    if (!display) {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(process.readAllStandardError());
    for (const QString& text : out)
        QVERIFY2(stdOut.contains(text), qPrintable(stdOut));
    for (const QString& text : err)
        QVERIFY2(stdErr.contains(text), qPrintable(stdErr));
    QCOMPARE(stdOut.isEmpty(), out.isEmpty());
    QCOMPARE(stdErr.isEmpty(), err.isEmpty());
}

QTEST_GUILESS_MAIN(TestCheckCommand)
#include "TestCheckCommand.moc"
