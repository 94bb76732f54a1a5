#include "AnalysisRun.h"
#include "CannedPages.h"
#include "FakePages.h"
#include "FakeWindow.h"

#include <QCoroTask>
#include <QTest>
#include <new>
#include <stdexcept>

using namespace canned;

namespace {

const QString Own = QStringLiteral("myshop.taobao.com");
const QString OwnName = QStringLiteral("我的小店");
const QString BackLink = linkLine("http://myshop.taobao.com", OwnName);
const QString OtherLink = linkLine("http://other.taobao.com", "别家");
const QString Ok = QStringLiteral("提示: ");

// A window, canned pages and a browser for one or more runs.
struct Bench {
    FakeWindow window;
    FakeFetcher fetcher;
    FakeRenderer renderer;

    QCoro::Task<bool> start(QString typed) {
        window.address = typed;
        return runAnalysis(window, fetcher, renderer);
    }
    void run(const QString& typed) { QCoro::waitFor(start(typed)); }
    QString cell(qint32 row, qint32 col) const { return window.cellState(row, col); }
    QStringList row(qint32 r) const {
        QStringList cells;
        for (qint32 col = 0; col < 9; ++col)
            cells << cell(r, col);
        return cells;
    }
    bool idle() const { return window.analyzeEnabled && !window.stopEnabled; }
};

// Own shop page with the given friend links (address, name) pairs.
QString ownPageWith(const QList<std::pair<QString, QString>>& links) {
    QString lines;
    for (const auto& [address, name] : links)
        lines += linkLine(address, name);
    return ownShopPage(OwnName, lines);
}

} // namespace

class TestAnalysisRun : public QObject {
    Q_OBJECT

private slots:
    void ownShopMessages_data();
    void ownShopMessages();
    void buttonsDuringRun();
    void linkListFileFailure();
    void fullRunOverAllLayouts();
    void orderOfCellWrites_data();
    void orderOfCellWrites();
    void gridGrowsAndStays();
    void pageFailures_data();
    void pageFailures();
    void stopAfterRow_data();
    void stopAfterRow();
    void stopDroppedAtOtherEnds_data();
    void stopDroppedAtOtherEnds();
    void emptyAddressEndsRun();
    void redirectRows_data();
    void redirectRows();
    void verdictReadsEditedAddressBox();
    void fetchAheadHints();
    void exceptionEndsTheRun_data();
    void exceptionEndsTheRun();
};

void TestAnalysisRun::ownShopMessages_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("page"); // served for the normalised address; "" fails
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("spaces only") << "   " << QString() << "   "
                                 << QStringList{Ok + "请输入淘宝店铺地址！"};
    QTest::newRow("full-width space and a line break only")
        << "\u3000\n"
        << QString() << "\u3000\n"
        << QStringList{Ok + "请输入淘宝店铺地址！"};
    QTest::newRow("fetch failed") << "MyShop" << QString() << Own
                                  << QStringList{Ok + "网络连接失败！请稍候再试。。。"};
    QTest::newRow("shop not found, even with links")
        << "myshop" << ownPageWith({{"http://a", "A"}}) + notFoundPage() << Own
        << QStringList{Ok + "您输入的店铺不存在！"};
    QTest::newRow("no friend-link heading") << "myshop"
                                            << "<title>首页-x - 淘宝网</title>" << Own
                                            << QStringList{Ok + "该店铺没有加入任何友情连接！"};
    QTest::newRow("heading without list")
        << "myshop"
        << "友情链接 <p>none</p>" << Own << QStringList{Ok + "该店铺没有加入任何友情连接！"};
    QTest::newRow("list never closed") << "myshop"
                                       << "友情链接<ul><a href=\"x\" >x</a>" << Own
                                       << QStringList{Ok + "该店铺没有加入任何友情连接！"};
    QTest::newRow("empty list: no message")
        << "myshop" << ownShopPage("x", "") << Own << QStringList{};
}

void TestAnalysisRun::ownShopMessages() {
    QFETCH(QString, typed);
    QFETCH(QString, page);
    QFETCH(QString, box);
    QFETCH(QStringList, messages);
    Bench bench;
    bench.fetcher.pages[Own] = page;
    // A grid left by an earlier run must stay as it was when a message ends the run.
    bench.window.grid().setRow(1);
    bench.window.grid().setCol(3);
    bench.window.grid().setCellForeColor(255);
    bench.window.grid().setText("old");
    const bool listed = messages.isEmpty();

    bench.run(typed);

    QCOMPARE(bench.window.messages, messages);
    QCOMPARE(bench.window.address, box);
    QVERIFY(bench.idle());
    QCOMPARE(bench.cell(1, 3), listed ? "|0|0" : "old|255|0");
    QCOMPARE(bench.fetcher.requests, typed.trimmed().isEmpty() ? QStringList{} : QStringList{Own});
    const RunEnding ending = typed.trimmed().isEmpty() ? RunEnding::BeforeFetch
                             : listed                  ? RunEnding::Finished
                                                       : RunEnding::Message;
    QCOMPARE(bench.window.outcome.ending, ending);
    QCOMPARE(Ok + bench.window.outcome.message, messages.value(0, Ok));
}

void TestAnalysisRun::buttonsDuringRun() {
    Bench bench;
    QStringList seen;
    const auto note = [&] {
        seen << QStringLiteral("%1%2")
                    .arg(bench.window.analyzeEnabled)
                    .arg(bench.window.stopEnabled);
    };
    bench.window.onMessage = note;
    bench.fetcher.onFetch = [&](const QString&) { note(); };
    bench.run(" ");
    bench.fetcher.pages[Own] = ownPageWith({{"http://a.taobao.com", "A"}});
    bench.run("myshop");
    QCOMPARE(seen, (QStringList{"01", "01", "01", "01"}));
    QVERIFY(bench.idle());
}

void TestAnalysisRun::linkListFileFailure() {
    const QByteArray savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent/zembrel-test");
    Bench bench;
    bench.fetcher.pages[Own] = ownPageWith({{"http://a.taobao.com", "A"}});
    bench.run("myshop");
    qputenv("TMPDIR", savedTmp);

    QCOMPARE(bench.window.messages.size(), 1);
    QVERIFY2(bench.window.messages[0].startsWith(Ok + "无法使用临时文件"),
             qPrintable(bench.window.messages[0]));
    QVERIFY(bench.idle());
    QCOMPARE(bench.cell(1, 1), "|0|0");
}

void TestAnalysisRun::fullRunOverAllLayouts() {
    Bench bench;
    FakeFetcher& pages = bench.fetcher;
    pages.pages[Own] = ownPageWith({
        {"http://a.taobao.com", "甲店"},
        {"http://b.taobao.com", "乙店"},
        {"http://c.tmall.com", "丙店"},
        {"http://gone.taobao.com", "关店"},
        {"http://s.click.taobao.com/t?e=1", "推广店"},
        {"http://d.taobao.com", "丁店"},
    });
    pages.pages["http://a.taobao.com"] =
        layoutA("掌柜甲", "s_red_3.gif", "99.5%", "2008-05-12", BackLink);
    pages.pages["http://b.taobao.com"] =
        layoutB("掌柜乙", "s_blue_2.gif", "2009-01-02", "http://rate.taobao.com/b.htm", OtherLink);
    pages.pages["http://rate.taobao.com/b.htm"] = ratingPage("98.70%");
    pages.pages["http://c.tmall.com"] = layoutC("丙旗舰店", "4.8", BackLink);
    pages.pages["http://gone.taobao.com"] = notFoundPage();
    pages.pages["http://d.taobao.com"] = layoutA("掌柜丁", "", "90%", "2011", OtherLink);
    bench.renderer.bodies["http://s.click.taobao.com/t?e=1"] =
        renderedB("掌柜戊", "s_crown_5.gif", "2006", "http://rate.taobao.com/e.htm",
                  "<LI>" + OwnName + "</LI>");
    pages.pages["http://rate.taobao.com/e.htm"] = ratingPage("100.00%");

    bench.run("MyShop");

    QCOMPARE(bench.window.messages, QStringList{});
    QVERIFY(bench.idle());
    QCOMPARE(bench.window.grid().Rows(), 8);
    QCOMPARE(bench.window.grid().ForeColor(), std::nullopt);
    const QList<QStringList> expected{
        {"1|0|0", "甲店|0|0", "http://a.taobao.com|0|0", "正常|0|0", "掌柜甲|0|0", "3心|0|0",
         "99.5%|0|0", "2008-05-12|0|0", "√|0|0"},
        {"2|0|0", "乙店|0|0", "http://b.taobao.com|0|0", "正常|0|0", "掌柜乙|0|0", "2钻|0|0",
         "98.70%|0|0", "2009-01-02|0|0", "×|255|1"},
        {"3|0|0", "丙店|0|0", "http://c.tmall.com|0|0", "正常|0|0", "丙旗舰店|0|0", "4.8(商城)|0|0",
         "N/A|0|0", "N/A|0|0", "√|0|0"},
        {"4|0|0", "关店|0|0", "http://gone.taobao.com|0|0", "不存在|255|0", "|0|0", "|0|0", "|0|0",
         "|0|0", "|0|0"},
        {"5|0|0", "推广店|0|0", "http://s.click.taobao.com/t?e=1|0|0", "正常|0|0", "掌柜戊|0|0",
         "5金冠|0|0", "100.00%|0|0", "2006|0|0", "√|0|0"},
        {"6|0|0", "丁店|0|0", "http://d.taobao.com|0|0", "正常|0|0", "掌柜丁|0|0", "1心以下|0|0",
         "90%|0|0", "2011|0|0", "×|255|1"},
        {"7|0|0", "|0|0", "|0|0", "|0|0", "|0|0", "|0|0", "|0|0", "|0|0", "|0|0"},
    };
    for (qint32 row = 1; row <= 7; ++row)
        QCOMPARE(bench.row(row), expected[row - 1]);
    QCOMPARE(bench.renderer.requests, QStringList{"http://s.click.taobao.com/t?e=1"});
    QCOMPARE(
        bench.fetcher.requests,
        (QStringList{Own, "http://a.taobao.com", "http://b.taobao.com",
                     "http://rate.taobao.com/b.htm", "http://c.tmall.com", "http://gone.taobao.com",
                     "http://rate.taobao.com/e.htm", "http://d.taobao.com"}));
}

void TestAnalysisRun::orderOfCellWrites_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("writes");

    QTest::newRow("layout A") << "http://a" << layoutA("m", "s_red_1.gif", "1%", "d", OtherLink)
                              << QStringList{"3 检测中...", "3 正常",   "4 m",
                                             "5 1心",       "6 1%",     "7 d",
                                             "8 color=255", "8 bold=1", "8 ×"};
    QTest::newRow("layout B: rate last")
        << "http://b" << layoutB("m", "", "d", "http://r", BackLink)
        << QStringList{"3 检测中...", "3 正常", "4 m", "5 1心以下", "7 d", "8 √", "6 9%"};
    QTest::newRow("layout B: empty rating link, no rate")
        << "http://b" << layoutB("m", "", "d", "", OtherLink)
        << QStringList{"3 检测中...", "3 正常",      "4 m",      "5 1心以下",
                       "7 d",         "8 color=255", "8 bold=1", "8 ×"};
    QTest::newRow("layout C") << "http://c" << layoutC("m", "5", BackLink)
                              << QStringList{"3 检测中...", "3 正常", "4 m", "5 5(商城)",
                                             "6 N/A",       "7 N/A",  "8 √"};
    QTest::newRow("not found") << "http://n" << notFoundPage()
                               << QStringList{"3 检测中...", "3 color=255", "3 不存在"};
}

void TestAnalysisRun::orderOfCellWrites() {
    QFETCH(QString, address);
    QFETCH(QString, page);
    QFETCH(QStringList, writes);
    Bench bench;
    bench.fetcher.pages[Own] = ownPageWith({{address, "X"}});
    bench.fetcher.pages[address] = page;
    bench.fetcher.pages["http://r"] = ratingPage("9%");
    bench.run("myshop");
    const QStringList all = bench.window.table.writesToRow(1);
    QCOMPARE(all.mid(all.indexOf("3 检测中...")), writes);
}

void TestAnalysisRun::gridGrowsAndStays() {
    Bench bench;
    QList<std::pair<QString, QString>> five;
    for (int i = 1; i <= 5; ++i) {
        const QString address = QStringLiteral("http://s%1.taobao.com").arg(i);
        five.append({address, QStringLiteral("店%1").arg(i)});
        bench.fetcher.pages[address] = layoutC("m", "5", "");
    }
    bench.fetcher.pages[Own] = ownPageWith(five);
    bench.run("myshop");
    QCOMPARE(bench.window.grid().Rows(), 7);
    QCOMPARE(bench.cell(5, 3), "正常|0|0");

    bench.fetcher.pages[Own] = ownPageWith(five.mid(3));
    bench.fetcher.requests.clear();
    bench.run("myshop");
    QCOMPARE(bench.window.grid().Rows(), 7);
    QCOMPARE(bench.cell(1, 1), "店4|0|0");
    QCOMPARE(bench.cell(2, 1), "店5|0|0");
    for (qint32 row = 3; row <= 6; ++row) {
        QCOMPARE(bench.cell(row, 0), QString::number(row) + "|0|0");
        for (qint32 col = 1; col < 9; ++col)
            QCOMPARE(bench.cell(row, col), "|0|0");
    }
    QCOMPARE(bench.fetcher.requests.size(), 3);
}

namespace {

// Where a page fails in TestAnalysisRun::pageFailures.
enum class Place { FriendPage, RatingPage, RedirectRow };

} // namespace

Q_DECLARE_METATYPE(Place)
Q_DECLARE_METATYPE(PageProblem)

// A failure the next row would meet too ends the run as a network failure;
// one of the row's own address, or a page that is no shop page, marks the
// row (the status, or the rate for a rating page) and the run goes on.
void TestAnalysisRun::pageFailures_data() {
    QTest::addColumn<Place>("place");
    QTest::addColumn<PageProblem>("problem"); // None: a page without any layout's marker
    QTest::addColumn<QString>("failedCell");  // "row,col state"
    QTest::addColumn<bool>("runEnds");

    constexpr auto Friend = Place::FriendPage;
    constexpr auto Rating = Place::RatingPage;
    constexpr auto Redirect = Place::RedirectRow;
    QTest::newRow("friend page, no answer: grid-wide")
        << Friend << PageProblem::NoAnswer << "2,3 网络中断|0|0" << true;
    QTest::newRow("rating page, no answer: cell form")
        << Rating << PageProblem::NoAnswer << "1,8 网络中断|255|0" << true;
    QTest::newRow("redirect row, no answer: cell form")
        << Redirect << PageProblem::NoAnswer << "2,3 网络中断|255|0" << true;
    QTest::newRow("friend page refused")
        << Friend << PageProblem::Refused << "2,3 访问受限|255|0" << false;
    QTest::newRow("friend link no web address")
        << Friend << PageProblem::NotWebAddress << "2,3 地址无效|255|0" << false;
    QTest::newRow("friend link to a local address")
        << Friend << PageProblem::LocalAddress << "2,3 地址无效|255|0" << false;
    QTest::newRow("friend page's certificate")
        << Friend << PageProblem::BadCertificate << "2,3 证书无效|255|0" << false;
    QTest::newRow("friend page unreadable")
        << Friend << PageProblem::None << "2,3 无法识别|255|0" << false;
    QTest::newRow("rating page refused: only the rate")
        << Rating << PageProblem::Refused << "1,6 访问受限|255|0" << false;
    QTest::newRow("rating link no web address: only the rate")
        << Rating << PageProblem::NotWebAddress << "1,6 地址无效|255|0" << false;
    QTest::newRow("redirect row refused")
        << Redirect << PageProblem::Refused << "2,3 访问受限|255|0" << false;
    QTest::newRow("redirect row to a local address")
        << Redirect << PageProblem::LocalAddress << "2,3 地址无效|255|0" << false;
    QTest::newRow("redirect row's certificate")
        << Redirect << PageProblem::BadCertificate << "2,3 证书无效|255|0" << false;
    QTest::newRow("redirect row unreadable")
        << Redirect << PageProblem::None << "2,3 无法识别|255|0" << false;
}

void TestAnalysisRun::pageFailures() {
    QFETCH(Place, place);
    QFETCH(PageProblem, problem);
    QFETCH(QString, failedCell);
    QFETCH(bool, runEnds);
    const QString failing = place == Place::RedirectRow  ? "http://s.click.taobao.com/f"
                            : place == Place::RatingPage ? "http://r"
                                                         : "http://f";
    Bench bench;
    bench.fetcher.pages[Own] =
        ownPageWith({{"http://b", "B"},
                     {place == Place::RatingPage ? "http://a" : failing, "F"},
                     {"http://c", "C"}});
    bench.fetcher.pages["http://b"] = layoutB("m", "", "d", "http://r", BackLink);
    bench.fetcher.pages["http://r"] = ratingPage("9%");
    bench.fetcher.pages["http://a"] = layoutA("m", "", "1%", "d", BackLink);
    bench.fetcher.pages["http://c"] = layoutC("m", "5", "");
    const QString unreadable = "<title>安全验证</title><div id=\"nc_1_wrapper\"></div>";
    bench.fetcher.pages[failing] = bench.renderer.bodies[failing] =
        problem == PageProblem::None ? unreadable : QString();
    bench.fetcher.failures[failing] = bench.renderer.failures[failing] = problem;

    bench.run("myshop");

    const qint32 row = failedCell.section(',', 0, 0).toInt();
    const qint32 col = failedCell.section(',', 1).section(' ', 0, 0).toInt();
    QCOMPARE(bench.cell(row, col), failedCell.section(' ', 1));
    QVERIFY(bench.idle());
    QCOMPARE(bench.window.outcome.ending,
             runEnds ? RunEnding::NetworkFailure : RunEnding::Finished);
    QCOMPARE(bench.window.grid().ForeColor().has_value(), runEnds && place == Place::FriendPage);
    if (runEnds) {
        QCOMPARE(bench.window.messages, QStringList{Ok + "网络连接失败！请稍候再试。。。"});
        QCOMPARE(bench.cell(3, 3), "|0|0");
        QVERIFY(!bench.fetcher.requests.contains("http://c"));
        if (place == Place::RatingPage)
            QCOMPARE(bench.cell(1, 6), "|0|0");
    } else {
        // Marked with why, no message, nothing else of the row written, and
        // the verdict of a shop page whose rating page failed kept.
        QCOMPARE(bench.window.messages, QStringList());
        QVERIFY(!bench.window.grid().cell(row, col).note.isEmpty());
        QCOMPARE(bench.cell(3, 3), "正常|0|0");
        if (place == Place::RatingPage)
            QCOMPARE(bench.cell(1, 8), "√|0|0");
        else
            for (qint32 other = 4; other <= 8; ++other)
                QCOMPARE(bench.cell(row, other), "|0|0");
    }

    // The grid-wide colour stays for later runs; their clearing only resets
    // cells, notes included.
    bench.window.messages.clear();
    bench.fetcher.pages[Own] = ownPageWith({{"http://c", "C"}, {"http://c", "C"}});
    bench.run("myshop");
    QCOMPARE(bench.window.grid().ForeColor().has_value(), runEnds && place == Place::FriendPage);
    QCOMPARE(bench.cell(2, 3), "正常|0|0");
    QCOMPARE(bench.window.grid().cell(2, 3).note, QString());
}

void TestAnalysisRun::stopAfterRow_data() {
    QTest::addColumn<QString>("stopDuring"); // address whose fetch sees Stop pressed
    QTest::addColumn<qint32>("stoppedRow");

    QTest::newRow("after the first row") << "http://a" << 2;
    QTest::newRow("after the last link") << "http://b" << 3;
    QTest::newRow("pressed before the run") << "" << 2;
}

void TestAnalysisRun::stopAfterRow() {
    QFETCH(QString, stopDuring);
    QFETCH(qint32, stoppedRow);
    Bench bench;
    bench.fetcher.pages[Own] = ownPageWith({{"http://a", "A"}, {"http://b", "B"}});
    bench.fetcher.pages["http://a"] = layoutC("m", "5", "");
    bench.fetcher.pages["http://b"] = notFoundPage();
    if (stopDuring.isEmpty())
        bench.window.setStopRequested(1); // a run does not reset the flag
    bench.fetcher.onFetch = [&](const QString& url) {
        if (url == stopDuring)
            bench.window.setStopRequested(1);
    };

    bench.run("myshop");

    QCOMPARE(bench.window.StopRequested(), qint16(0));
    QVERIFY(bench.idle());
    QCOMPARE(bench.window.messages, QStringList{});
    QCOMPARE(bench.cell(stoppedRow, 3), "用户中止|255|0");
    QCOMPARE(bench.window.outcome.ending, RunEnding::Stopped);
    QCOMPARE(bench.cell(stoppedRow - 1, 3).section('|', 0, 0).isEmpty(), false);
    if (stoppedRow == 2)
        QCOMPARE(bench.cell(2, 1), "B|0|0");
}

void TestAnalysisRun::stopDroppedAtOtherEnds_data() {
    QTest::addColumn<QString>("ownPage");
    QTest::addColumn<QString>("stopDuring"); // address whose fetch sees Stop pressed

    QTest::newRow("own page fails") << QString() << Own;
    QTest::newRow("shop not found") << notFoundPage() << Own;
    QTest::newRow("friend page fails") << ownPageWith({{"http://fails", "F"}}) << "http://fails";
    QTest::newRow("first address empty") << ownShopPage(OwnName, "<a href=\"\" >空</a>\n") << Own;
}

// A Stop that its run did not honour is gone with that run.
void TestAnalysisRun::stopDroppedAtOtherEnds() {
    QFETCH(QString, ownPage);
    QFETCH(QString, stopDuring);
    Bench bench;
    bench.fetcher.pages[Own] = ownPage;
    bench.fetcher.onFetch = [&](const QString& url) {
        if (url == stopDuring)
            bench.window.pressStop();
    };
    bench.run("myshop");
    QVERIFY(bench.idle());

    bench.fetcher.onFetch = {};
    bench.fetcher.pages[Own] = ownPageWith({{"http://a", "A"}, {"http://b", "B"}});
    bench.fetcher.pages["http://a"] = layoutC("m", "5", "");
    bench.fetcher.pages["http://b"] = layoutC("m", "5", "");
    bench.run("myshop");
    QCOMPARE(bench.cell(1, 3), "正常|0|0");
    QCOMPARE(bench.cell(2, 3), "正常|0|0");
    QCOMPARE(bench.cell(3, 3), "|0|0");
}

void TestAnalysisRun::emptyAddressEndsRun() {
    Bench bench;
    bench.fetcher.pages[Own] = ownShopPage(
        OwnName, linkLine("http://a", "A") + "<a href=\"\" >空</a>\n" + linkLine("http://c", "C"));
    bench.fetcher.pages["http://a"] = layoutC("m", "5", "");
    bench.fetcher.pages["http://c"] = layoutC("m", "5", "");
    bench.run("myshop");
    QCOMPARE(bench.cell(2, 1), "空|0|0");
    QCOMPARE(bench.cell(2, 3), "|0|0");
    QCOMPARE(bench.cell(3, 3), "|0|0");
    QCOMPARE(bench.fetcher.requests, (QStringList{Own, "http://a"}));
    QVERIFY(bench.idle());
}

void TestAnalysisRun::redirectRows_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("stop"); // 0 never, 1 during the wait, 2 as the load completes
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("nextRowInspected");

    const QString click = "http://s.click.taobao.com/x";
    const QString layout = renderedA("m", "", "1%", "d", "");
    QTest::newRow("rendered layout A")
        << click << layout << 0 << "正常|0|0" << QStringList{} << true;
    QTest::newRow("rendered layout B, empty rating link")
        << click << renderedB("m", "", "d", "", "") << 0 << "正常|0|0" << QStringList{} << true;
    QTest::newRow("site footer: does not exist")
        << click << renderedNotFound() << 0 << "不存在|255|0" << QStringList{} << true;
    QTest::newRow("https click-redirect link")
        << "https://s.click.taobao.com/x" << layout << 0 << "正常|0|0" << QStringList{} << true;
    QTest::newRow("direct not-found text is no footer")
        << click << notFoundPage() << 0 << "无法识别|255|0" << QStringList{} << true;
    QTest::newRow("empty body: cell form")
        << click << QString() << 0 << "网络中断|255|0"
        << QStringList{Ok + "网络连接失败！请稍候再试。。。"} << false;
    QTest::newRow("stop during the wait")
        << click << layout << 1 << "用户取消|255|0" << QStringList{} << false;
    QTest::newRow("stop as the load completes")
        << click << layout << 2 << "用户取消|255|0" << QStringList{} << false;
    QTest::newRow("prefix in other case takes the direct path")
        << "HTTP://S.CLICK.taobao.com/x" << QString() << 0 << "正常|0|0" << QStringList{} << true;
}

void TestAnalysisRun::redirectRows() {
    QFETCH(QString, address);
    QFETCH(QString, body);
    QFETCH(int, stop);
    QFETCH(QString, status);
    QFETCH(QStringList, messages);
    QFETCH(bool, nextRowInspected);
    Bench bench;
    bench.fetcher.pages[Own] = ownPageWith({{address, "R"}, {"http://c", "C"}});
    bench.fetcher.pages[address] = layoutC("m", "5", "");
    bench.fetcher.pages["http://c"] = layoutC("m", "5", "");
    bench.renderer.bodies[address] = body;
    bench.renderer.holdLoads = stop > 0;

    QCoro::Task<bool> run = bench.start("myshop");
    if (stop > 0) {
        QVERIFY(!run.isReady());
        QCOMPARE(bench.cell(1, 3), "检测中...|0|0");
        bench.window.setStopRequested(1);
        if (stop == 2)
            bench.renderer.finishLoad();
        else
            bench.window.pressStop();
    }
    QCoro::waitFor(std::move(run));

    QCOMPARE(bench.cell(1, 3), status);
    QCOMPARE(bench.window.messages, messages);
    QCOMPARE(bench.window.StopRequested(), qint16(0));
    QCOMPARE(bench.window.grid().ForeColor(), std::nullopt);
    QCOMPARE(bench.cell(2, 3) == "正常|0|0", nextRowInspected);
    QCOMPARE(bench.renderer.stops, stop > 0 ? 1 : 0);
    QVERIFY(bench.idle());
    const RunEnding ending = stop > 0              ? RunEnding::Cancelled
                             : !messages.isEmpty() ? RunEnding::NetworkFailure
                                                   : RunEnding::Finished;
    QCOMPARE(bench.window.outcome.ending, ending);
}

void TestAnalysisRun::verdictReadsEditedAddressBox() {
    Bench bench;
    const QString click = "http://s.click.taobao.com/x";
    bench.fetcher.pages[Own] = ownPageWith({{click, "R"}});
    bench.renderer.bodies[click] = renderedA("m", "", "1%", "d", "<LI>edited.taobao.com</LI>");
    bench.renderer.holdLoads = true;
    QCoro::Task<bool> run = bench.start("myshop");
    bench.window.address = "edited.taobao.com";
    bench.renderer.finishLoad();
    QCoro::waitFor(std::move(run));
    QCOMPARE(bench.cell(1, 8), "√|0|0");
}

void TestAnalysisRun::fetchAheadHints() {
    Bench bench;
    const QString click = "http://s.click.taobao.com/x";
    bench.fetcher.pages[Own] = ownShopPage(
        OwnName, linkLine("http://a", "A") + linkLine(click, "R") + linkLine("http://b", "B") +
                     "<a href=\"\" >空</a>\n" + linkLine("http://c", "C") +
                     linkLine("http://s.click.taobao.com/late", "L"));
    bench.fetcher.pages["http://a"] = layoutC("m", "5", "");
    bench.fetcher.pages["http://b"] = layoutC("m", "5", "");
    bench.renderer.bodies[click] = renderedA("m", "", "1%", "d", "");
    bench.run("myshop");

    // Only direct rows before the first empty address are planned.
    QCOMPARE(bench.fetcher.planned.size(), 2);
    QCOMPARE(bench.fetcher.planned[0].row, 1);
    QCOMPARE(bench.fetcher.planned[0].address, "http://a");
    QCOMPARE(bench.fetcher.planned[1].row, 3);
    QCOMPARE(bench.fetcher.planned[1].address, "http://b");
    QCOMPARE(bench.fetcher.enteredRows, (QList<qint32>{1, 2, 3}));
    QCOMPARE(bench.window.startedRows, (QList<qint32>{1, 2, 3}));
    QCOMPARE(bench.fetcher.runEnds, 1);
    // And so are the redirect rows for the renderer.
    QCOMPARE(bench.renderer.planned.size(), 1);
    QCOMPARE(bench.renderer.planned[0].row, 2);
    QCOMPARE(bench.renderer.planned[0].address, click);
    QCOMPARE(bench.renderer.enteredRows, (QList<qint32>{1, 2, 3}));
    QCOMPARE(bench.renderer.runEnds, 1);

    // A run that ends at a message still ends the fetcher's and renderer's
    // run.
    bench.run(" ");
    QCOMPARE(bench.fetcher.runEnds, 2);
    QCOMPARE(bench.renderer.runEnds, 2);
    QCOMPARE(bench.window.runEnds, 2);
}

// An exception that escapes the run's steps ends the run like any other
// end, after one message that names the problem.
void TestAnalysisRun::exceptionEndsTheRun_data() {
    QTest::addColumn<QString>("thrownAt");
    QTest::addColumn<int>("thrown"); // 0 std::bad_alloc, 1 std::runtime_error, 2 an int
    QTest::addColumn<QString>("named");
    QTest::addColumn<int>("ending"); // RunEnding: a failure before listing is a message

    QTest::newRow("memory runs out at the own page")
        << Own << 0 << "内存不足" << int(RunEnding::Message);
    QTest::newRow("an error at a friend shop's page")
        << "http://a.taobao.com" << 1 << "too long" << int(RunEnding::Failed);
    QTest::newRow("something else at a rating page")
        << "http://rate.taobao.com/b.htm" << 2 << "未知错误" << int(RunEnding::Failed);
}

void TestAnalysisRun::exceptionEndsTheRun() {
    QFETCH(QString, thrownAt);
    QFETCH(int, thrown);
    QFETCH(QString, named);
    QFETCH(int, ending);
    Bench bench;
    bench.fetcher.pages[Own] =
        ownPageWith({{"http://a.taobao.com", "甲"}, {"http://b.taobao.com", "乙"}});
    bench.fetcher.pages["http://a.taobao.com"] = layoutA("m", "", "1%", "d", BackLink);
    bench.fetcher.pages["http://b.taobao.com"] =
        layoutB("m", "", "d", "http://rate.taobao.com/b.htm", BackLink);
    bench.fetcher.onFetch = [&](const QString& url) {
        if (url == thrownAt && thrown == 0)
            throw std::bad_alloc();
        if (url == thrownAt && thrown == 1)
            throw std::runtime_error("too long");
        if (url == thrownAt)
            throw 42;
    };

    QVERIFY(!QCoro::waitFor(bench.start("myshop")));

    QCOMPARE(bench.window.messages, QStringList{Ok + "分析出错，已停止：" + named});
    QVERIFY(bench.idle());
    QCOMPARE(bench.window.runEnds, 1);
    QCOMPARE(int(bench.window.outcome.ending), ending);
    QCOMPARE(bench.fetcher.runEnds, 1);
    QCOMPARE(bench.renderer.runEnds, 1);
}

QTEST_MAIN(TestAnalysisRun)
#include "TestAnalysisRun.moc"
