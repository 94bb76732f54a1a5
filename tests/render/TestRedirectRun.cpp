#include "AnalysisRun.h"
#include "BrowserTestMain.h"
#include "FakeWindow.h"
#include "MarketFaults.h"
#include "MarketPages.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "TestMarket.h"
#include "WebPageRenderer.h"

#include <QCoroTask>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <functional>

using namespace marketpages;

namespace {

const QByteArray OwnShop = "myshop.taobao.com";

// The own shop page, listing one friend link per address.
MarketPage ownShopPage(const QList<QByteArray>& addresses) {
    QByteArray links;
    for (qsizetype i = 0; i < addresses.size(); ++i)
        links += "<a href=\"" + addresses[i] + "\" target=\"_blank\">友店" +
                 QByteArray::number(i + 1) + "</a>\n";
    return html("<html><head><title>首页-我的小店- 淘宝网</title></head><body>"
                "<h3>友情链接</h3><ul>\n" +
                links + "</ul></body></html>");
}

// Rendered layout A, linking back by name.
const QByteArray LayoutA =
    "<div class=\"shop-info-simple\"><a href=\"http://member.taobao.com/a\">卖家甲</a>"
    "<img src=\"http://pics.taobao.com/newrank/s_blue_1.gif\"></div>"
    "<ul><li><span>好评率：</span>99.50%</li><li><span>创店时间</span>2009-03-01</li></ul>"
    "<h3>友情链接</h3><a href=\"http://x.taobao.com\">我的小店</a>";

// Rendered layout B, not linking back; its rating page follows its label.
const QByteArray LayoutB =
    "<div class=\"shop-intro hslice\"><a href=\"http://member.taobao.com/b\">卖家乙</a>"
    "<img src=\"http://pics.taobao.com/newrank/s_red_3.gif\"></div>"
    "<ul><li><span>创店时间：</span>2010-05-06</li><li>其他</li></ul>"
    "<a href=\"http://rate.taobao.com/other.htm\" title=\"x\">评价</a><span>信用评价</span>"
    "<a href=\"http://rate.taobao.com/b.htm\" target=\"_blank\">详情</a>"
    "<h3>友情链接</h3><a href=\"http://y.taobao.com\">别的店</a>";

const QByteArray SiteFooter = "<p>增值电信业务经营许可证：浙B2-20080224</p>";

// Layout A with a script that runs once the page has loaded.
MarketPage layoutAThen(const QByteArray& script) {
    return html("<body onload=\"setTimeout(function () { " + script + " }, 0)\">" + LayoutA +
                "</body>");
}

const QStringList LayoutAWrites = {"3 检测中...", "3 正常",       "4 卖家甲", "5 1钻",
                                   "6 99.50%",    "7 2009-03-01", "8 √"};
const QStringList LayoutBStart = {"3 检测中...",  "3 正常",      "4 卖家乙", "5 3心",
                                  "7 2010-05-06", "8 color=255", "8 bold=1", "8 ×"};

// The writes to one row from the start of its inspection on; empty when the
// row was not inspected (clearing and listing come before).
QStringList inspectionWrites(const FakeWindow& window, qint32 row) {
    const QStringList writes = window.table.writesToRow(row);
    const qsizetype start = writes.indexOf(QStringLiteral("3 检测中..."));
    return start < 0 ? QStringList() : writes.sliced(start);
}

// A run gives up after this, so that a renderer that never completes fails
// the test instead of hanging it.
constexpr qint64 RunLimitMs = 20000;

} // namespace

// Analysis runs with click-redirect rows, with the real browser and fetcher
// against the test marketplace as proxy.
class TestRedirectRun : public QObject {
    Q_OBJECT

private:
    TestMarket server_;
    PageTransfers transfers_;
    int redirectRows_ = 0;

    // Runs one analysis of the own shop with the given friend links and
    // `renderJobs` rows loaded ahead; `observe` sees the renderer at every
    // request the marketplace receives and every 10 ms. No page may outlive
    // the run.
    void run(FakeWindow& window, const QList<QByteArray>& addresses,
             int renderJobs = WebPageRenderer::DefaultJobs,
             const std::function<void(WebPageRenderer&)>& observe = {}) {
        server_.setPage(OwnShop, "/", ownShopPage(addresses));
        PrefetchingPageFetcher fetcher(transfers_, std::chrono::seconds(10), 1);
        WebPageRenderer renderer(std::chrono::seconds(10), renderJobs);
        QMetaObject::Connection watch;
        QTimer often;
        if (observe) {
            const auto look = [&] { observe(renderer); };
            watch = connect(&server_, &TestMarket::requested, this, look);
            connect(&often, &QTimer::timeout, this, look);
            often.start(10);
        }
        // A run still waiting after the limit is stopped, as a user would.
        QTimer patience;
        patience.setSingleShot(true);
        connect(&patience, &QTimer::timeout, this, [&] { window.pressStop(); });
        patience.start(RunLimitMs);
        window.address = QStringLiteral("myshop");
        QCoro::waitFor(runAnalysis(window, fetcher, renderer));
        disconnect(watch);
        often.stop();
        QCOMPARE(renderer.pagesOpen(), 0);
        QCOMPARE(renderer.ReadyState(), 0);
    }

    // Serves `page` as a redirect row of its own on `host`.
    QByteArray redirectRow(const MarketPage& page, const QByteArray& host = "s.click.taobao.com") {
        const QByteArray path = "/row" + QByteArray::number(++redirectRows_);
        server_.setPage(host, path, page);
        return "http://" + host + path;
    }

private slots:
    void initTestCase() {
        QVERIFY(server_.listen());
        useAsProxy(server_);
        server_.setPage("shop-a.taobao.com", "/", html(LayoutA));
        server_.setPage("shop-b.taobao.com", "/", html(LayoutB));
        server_.setPage("rate.taobao.com", "/b.htm", html("<p>好评率：<em>98.76%</em></p>"));
        server_.setPage("shop-a.taobao.com", "/closes",
                        html("<script>window.close();</script>" + LayoutA));
        server_.setPage("shop-a.taobao.com", "/clicks-download",
                        layoutAThen("const a = document.createElement('a');"
                                    "a.href = '/setup.exe'; a.download = 'setup.exe';"
                                    "document.body.appendChild(a); a.click();"));
        server_.setPage("shop-a.taobao.com", "/to-attachment",
                        layoutAThen("location.href = '/setup.exe';"));
        server_.setPage("shop-a.taobao.com", "/to-204", layoutAThen("location.href = '/nothing';"));
        // The same, from a script that runs before the page has completed,
        // to answers that come at once or only after it has.
        for (const char* target : {"/setup.exe", "/nothing", "/slow.exe", "/slow-nothing"})
            server_.setPage("shop-a.taobao.com", QByteArray("/early") + target,
                            html(LayoutA + "<script>location.href = '" + target + "';</script>"));
        server_.setPage("shop-a.taobao.com", "/badge-attributes",
                        html(QByteArray(LayoutA).replace(
                            "s_blue_1.gif\">", "s_red_2.gif\" border=\"0\" alt=\"\" />")));
        server_.setPage("shop-b.taobao.com", "/scheme-relative",
                        html(QByteArray(LayoutB).replace("http://rate.taobao.com/b.htm",
                                                         "//rate.taobao.com/b.htm")));
        MarketPage closedShop = html(SiteFooter);
        closedShop.status = 404;
        server_.setPage("gone.taobao.com", "/404", closedShop);

        server_.setPage("gone.taobao.com", "/", html(SiteFooter));
        MarketPage attachment = html("MZ");
        attachment.contentType = "application/octet-stream";
        attachment.headers = {{"Content-Disposition", "attachment; filename=\"setup.exe\""}};
        server_.setPage("shop-a.taobao.com", "/setup.exe", attachment);
        MarketPage noContent;
        noContent.status = 204;
        server_.setPage("shop-a.taobao.com", "/nothing", noContent);
        attachment.delayMs = 300;
        server_.setPage("shop-a.taobao.com", "/slow.exe", attachment);
        noContent.delayMs = 300;
        server_.setPage("shop-a.taobao.com", "/slow-nothing", noContent);
    }

    // One redirect row, and the writes made to it. A row that ends the run
    // leaves the next row untouched.
    void inspectsRedirectRow_data() {
        QTest::addColumn<MarketPage>("redirectPage");
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QStringList>("messages");

        const QStringList none;
        const QStringList networkMessage = {"提示: 网络连接失败！请稍候再试。。。"};

        QTest::newRow("302 to rendered layout A")
            << redirect("http://shop-a.taobao.com/") << LayoutAWrites << none;
        QTest::newRow("meta refresh to rendered layout B, rating page after its label")
            << metaRefresh("http://shop-b.taobao.com/") << LayoutBStart + QStringList{"6 98.76%"}
            << none;
        QTest::newRow("script redirect to the site footer")
            << timedScript("http://gone.taobao.com/")
            << QStringList{"3 检测中...", "3 color=255", "3 不存在"} << none;
        QTest::newRow("direct path's not-found text is not looked for")
            << html("<p>没有找到相应的店铺信息</p>" + LayoutA) << LayoutAWrites << none;
        QTest::newRow("empty body")
            << html("") << QStringList{"3 检测中...", "3 color=255", "3 网络中断"}
            << networkMessage;
        QTest::newRow("failed load")
            << fault(MarketFault::CloseWithoutAnswer)
            << QStringList{"3 检测中...", "3 color=255", "3 网络中断"} << networkMessage;
        // The final page cannot take back what it showed: the row is read as
        // it was.
        QTest::newRow("target closes its window")
            << redirect("http://shop-a.taobao.com/closes") << LayoutAWrites << none;
        QTest::newRow("target then clicks a download link")
            << redirect("http://shop-a.taobao.com/clicks-download") << LayoutAWrites << none;
        const QByteArray clickDownload = "<script>const a = document.createElement('a');"
                                         "a.href = 'http://shop-a.taobao.com/setup.exe';"
                                         "a.download = 'setup.exe'; document.body.appendChild(a);"
                                         "a.click();</script>";
        QTest::newRow("redirect page's script clicks a download link before its content")
            << html("<body>" + clickDownload + LayoutA + "</body>") << LayoutAWrites << none;
        QTest::newRow("target then goes to an attachment")
            << redirect("http://shop-a.taobao.com/to-attachment") << LayoutAWrites << none;
        QTest::newRow("target then goes to a 204 answer")
            << redirect("http://shop-a.taobao.com/to-204") << LayoutAWrites << none;
        for (const char* target : {"/setup.exe", "/nothing", "/slow.exe", "/slow-nothing"})
            QTest::addRow("target goes to %s before it has completed", target)
                << redirect("http://shop-a.taobao.com/early" + QByteArray(target)) << LayoutAWrites
                << none;
        QStringList redBadge = LayoutAWrites;
        redBadge[3] = "5 2心";
        QTest::newRow("badge with attributes after its address")
            << redirect("http://shop-a.taobao.com/badge-attributes") << redBadge << none;
        QTest::newRow("rating link without a scheme")
            << redirect("http://shop-b.taobao.com/scheme-relative")
            << LayoutBStart + QStringList{"6 98.76%"} << none;
        QTest::newRow("closed shop answering 404 with its page")
            << redirect("http://gone.taobao.com/404")
            << QStringList{"3 检测中...", "3 color=255", "3 不存在"} << none;

        QTest::newRow("rating page fails")
            << redirect("http://shop-c.taobao.com/")
            << LayoutBStart + QStringList{"8 color=255", "8 网络中断"} << networkMessage;
    }

    void inspectsRedirectRow() {
        QFETCH(MarketPage, redirectPage);
        QFETCH(QStringList, writes);
        QFETCH(QStringList, messages);
        QByteArray layoutC = LayoutB;
        layoutC.replace("rate.taobao.com/b.htm", "rate.taobao.com/broken.htm");
        server_.setPage("shop-c.taobao.com", "/", html(layoutC));
        server_.setPage("rate.taobao.com", "/broken.htm", fault(MarketFault::CloseWithoutAnswer));
        // Every row has its own address, out of reach of the browser's cache.
        const QByteArray path = "/row" + QByteArray::number(++redirectRows_);
        server_.setPage("s.click.taobao.com", path, redirectPage);

        FakeWindow window;
        run(window, {"http://s.click.taobao.com" + path, "http://shop-a.taobao.com/"});
        QCOMPARE(inspectionWrites(window, 1), writes);
        QCOMPARE(window.messages, messages);
        const bool runEnded = !messages.isEmpty();
        QCOMPARE(inspectionWrites(window, 2).isEmpty(), runEnded);
        QVERIFY(window.analyzeEnabled);
        QVERIFY(!window.stopEnabled);
    }

    // Two redirect rows in a row: the second gets its own page, whatever the
    // first row's page goes on doing while the second loads.
    void inspectsConsecutiveRedirectRows_data() {
        QTest::addColumn<MarketPage>("firstTarget");

        QTest::newRow("a plain page") << html(LayoutA);
        QTest::newRow("a page that keeps changing its fragment")
            << html(LayoutA + "<script>let n = 0; setInterval(function () {"
                              " location.hash = 'h' + n++; }, 0);</script>");
        QTest::newRow("a page that navigates on a timer")
            << html(LayoutA + "<script>setTimeout(function () {"
                              " location.href = 'http://shop-b.taobao.com/'; }, 500);</script>");
        QTest::newRow("a page that closes its window on a timer")
            << html(LayoutA + "<script>setTimeout(function () { window.close(); }, 150);</script>");
    }

    void inspectsConsecutiveRedirectRows() {
        QFETCH(MarketPage, firstTarget);
        const QByteArray path = "/row" + QByteArray::number(++redirectRows_);
        server_.setPage("shop-a.taobao.com", path, firstTarget);
        server_.setPage("s.click.taobao.com", "/first",
                        redirect("http://shop-a.taobao.com" + path));
        MarketPage second = scriptReplace("http://gone.taobao.com/");

        server_.setPage("s.click.taobao.com", "/second", second);
        FakeWindow window;
        run(window, {"http://s.click.taobao.com/first", "http://s.click.taobao.com/second"});
        QCOMPARE(inspectionWrites(window, 1), LayoutAWrites);
        QCOMPARE(inspectionWrites(window, 2),
                 QStringList({"3 检测中...", "3 color=255", "3 不存在"}));
        QVERIFY(window.messages.isEmpty());
    }

    // The prefix comparison is case-sensitive: this page is fetched as it
    // is, not rendered, so its script never runs.
    void prefixInOtherCaseTakesDirectPath() {
        server_.setPage(
            "s.click.taobao.com", "/upper",
            html("<script>location.replace('http://rendered.taobao.com/')</script>"
                 "<div class=\"shop-info-simple\"><a href=\"http://member.taobao.com/d\">卖家丁</a>"
                 "<ul><li>好评率：<b>97%</li><li>创店时间：<b>2011-01-01</li></ul>"
                 "<h3>友情链接</h3>myshop.taobao.com"));
        FakeWindow window;
        run(window, {"http://S.click.taobao.com/upper"});
        QCOMPARE(inspectionWrites(window, 1),
                 QStringList({"3 检测中...", "3 正常", "4 卖家丁", "5 1心以下", "6 97%",
                              "7 2011-01-01", "8 √"}));
        QVERIFY(!server_.requestLog().contains("GET http://rendered.taobao.com/"));
    }

    // Rows loaded ahead leave the grid and the messages as loading one row at
    // a time does, failures and rows after them included.
    void sameGridWithLoadsAhead_data() {
        QTest::addColumn<QList<QByteArray>>("addresses");

        const QByteArray layoutA = redirectRow(redirect("http://shop-a.taobao.com/"));
        const QByteArray layoutB = redirectRow(metaRefresh("http://shop-b.taobao.com/"));
        const QByteArray notFound = redirectRow(timedScript("http://gone.taobao.com/"));
        const QByteArray otherHost =
            redirectRow(redirect("http://shop-a.taobao.com/"), "s.click.tmall.com");
        const QByteArray failed = redirectRow(fault(MarketFault::CloseWithoutAnswer));
        const QByteArray ratingFails = redirectRow(redirect("http://shop-c.taobao.com/"));
        const QByteArray plain = "http://shop-a.taobao.com/";
        const QByteArray after = redirectRow(redirect("http://shop-a.taobao.com/"));

        QTest::newRow("every row read")
            << QList<QByteArray>{layoutA, plain, notFound, layoutB, otherHost, plain, layoutA};
        QTest::newRow("failed load ends the run")
            << QList<QByteArray>{layoutA, notFound, failed, otherHost, after};
        QTest::newRow("rating page fails")
            << QList<QByteArray>{notFound, ratingFails, layoutA, after};
    }

    void sameGridWithLoadsAhead() {
        QFETCH(QList<QByteArray>, addresses);
        server_.setPage("shop-c.taobao.com", "/",
                        html(QByteArray(LayoutB).replace("/b.htm", "/broken.htm")));
        server_.setPage("rate.taobao.com", "/broken.htm", fault(MarketFault::CloseWithoutAnswer));
        FakeWindow oneAtATime;
        run(oneAtATime, addresses, 0);
        FakeWindow ahead;
        run(ahead, addresses, 2);
        QCOMPARE(ahead.table.writes, oneAtATime.table.writes);
        QCOMPARE(ahead.messages, oneAtATime.messages);
    }

    // The run's own page and those loaded ahead: at most the jobs and one
    // more at once, and at most two at once on one host; a page the redirect
    // service has sent elsewhere no longer counts for the service. The shop
    // pages are held until that many pages are open.
    void boundsPagesOpen_data() {
        QTest::addColumn<int>("renderJobs");
        QTest::addColumn<QList<QByteArray>>("hosts");
        QTest::addColumn<bool>("redirected");
        QTest::addColumn<int>("mostOpen");

        const QList<QByteArray> oneHost = {"s.click.taobao.com"};
        const QList<QByteArray> threeHosts = {"s.click.taobao.com", "s.click.tmall.com",
                                              "s.click.alimama.com"};
        QTest::newRow("one at a time") << 0 << threeHosts << false << 1;
        QTest::newRow("one host") << 2 << oneHost << false << 2;
        QTest::newRow("three hosts, two jobs") << 2 << threeHosts << false << 3;
        QTest::newRow("one host redirecting to others") << 2 << oneHost << true << 3;
    }

    void boundsPagesOpen() {
        QFETCH(int, renderJobs);
        QFETCH(QList<QByteArray>, hosts);
        QFETCH(bool, redirected);
        QFETCH(int, mostOpen);
        const MarketPage heldShop = held(html(LayoutA));
        QList<QByteArray> addresses;
        for (int row = 0; row < 7; ++row) {
            const QByteArray host = hosts[row % hosts.size()];
            if (!redirected) {
                addresses.append(redirectRow(heldShop, host));
                continue;
            }
            const QByteArray shop = "shop-r" + QByteArray::number(redirectRows_) + ".taobao.com";
            server_.setPage(shop, "/", heldShop);
            addresses.append(redirectRow(redirect("http://" + shop + "/"), host));
        }
        int most = 0;
        FakeWindow window;
        server_.setHolding(true);
        run(window, addresses, renderJobs, [&](WebPageRenderer& renderer) {
            most = std::max(most, renderer.pagesOpen());
            if (most == mostOpen)
                server_.setHolding(false);
        });
        QCOMPARE(most, mostOpen);
        QVERIFY(server_.mostAtOnceToOneHost() <= readahead::MaxPerHost);
        for (qint32 row = 1; row <= addresses.size(); ++row)
            QCOMPARE(inspectionWrites(window, row), LayoutAWrites);
    }

    // Pages finished ahead hold only their bodies, not places: while the run
    // waits for a plain row, held until then, every redirect row after it is
    // loaded.
    void loadsAheadWhileRunWaitsElsewhere() {
        server_.setPage("slow.taobao.com", "/", held(html(LayoutA)));
        QList<QByteArray> addresses = {"http://slow.taobao.com/"};
        for (int row = 0; row < 5; ++row)
            addresses.append(redirectRow(redirect("http://shop-a.taobao.com/")));
        QStringList loadedBeforeRow2;
        FakeWindow window;
        window.onRowStarted = [&](qint32 row) {
            if (row == 2)
                loadedBeforeRow2 = server_.requestLog();
        };
        server_.setHolding(true);
        run(window, addresses, 2, [&](WebPageRenderer&) {
            if (std::ranges::all_of(addresses.mid(1), [&](const QByteArray& address) {
                    return server_.requestLog().contains("GET " + address);
                }))
                server_.setHolding(false);
        });
        for (const QByteArray& address : addresses.mid(1))
            QVERIFY2(loadedBeforeRow2.contains("GET " + address), address.constData());
        for (qint32 row = 2; row <= addresses.size(); ++row)
            QCOMPARE(inspectionWrites(window, row), LayoutAWrites);
    }

    // Stop while the run waits for its row, with a later row loaded ahead and
    // another still loading: the row is cancelled, nothing of the later rows
    // is written, and every load ends with the run.
    void stopDuringWaitDropsLoadsAhead() {
        const MarketPage never = fault(MarketFault::NeverAnswer);
        const QList<QByteArray> addresses = {redirectRow(never), redirectRow(html(LayoutA)),
                                             redirectRow(never, "s.click.tmall.com"),
                                             "http://shop-a.taobao.com/"};
        FakeWindow window;
        bool stopped = false;
        run(window, addresses, 2, [&](const WebPageRenderer& renderer) {
            // Rows 1 and 3 loading, row 2 loaded.
            if (!stopped && server_.requestLog().contains("GET " + addresses[2]) &&
                server_.requestLog().contains("GET " + addresses[1]) && renderer.pagesOpen() == 2) {
                stopped = true;
                window.pressStop();
            }
        });
        QVERIFY(stopped);
        QCOMPARE(inspectionWrites(window, 1),
                 QStringList({"3 检测中...", "3 color=255", "3 用户取消"}));
        for (qint32 row = 2; row <= 4; ++row)
            QVERIFY(inspectionWrites(window, row).isEmpty());
        QCOMPARE(window.StopRequested(), qint16(0));
        QVERIFY(window.messages.isEmpty());
        QVERIFY(window.analyzeEnabled && !window.stopEnabled);
    }
};

ZEMBREL_BROWSER_TEST_MAIN(TestRedirectRun)
#include "TestRedirectRun.moc"
