#include "AnalysisRun.h"
#include "CannedMarket.h"
#include "CannedPages.h"
#include "CheckDocument.h"
#include "FakePages.h"
#include "HeadlessWindow.h"
#include "MarketFaults.h"
#include "MarketPages.h"
#include "MixedMarket.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "RunTexts.h"
#include "TestMarket.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace std::chrono_literals;
using mixedmarket::Options;

Q_DECLARE_METATYPE(mixedmarket::Options)

namespace {

using MarketChange = std::function<void(TestMarket&, const Options&)>;

// What one run left behind.
struct RunResults {
    QByteArray json;
    // Every change of the grid as it happened: cell, text, colour, bold.
    QStringList writes;
};

QString describe(const ResultGrid& grid, const QModelIndex& top, const QModelIndex& bottom) {
    if (top != bottom)
        return QStringLiteral("grid colour %1").arg(grid.ForeColor().value_or(0));
    const ResultGrid::Cell& cell = grid.cell(top.row(), top.column());
    return QStringLiteral("%1,%2 %3 %4 %5")
        .arg(top.row())
        .arg(top.column())
        .arg(cell.text)
        .arg(cell.color)
        .arg(cell.bold);
}

// A browser whose load advances from the event loop, as a real one does, so
// that the window's event pump wakes up.
class WakingRenderer : public FakeRenderer {
public:
    void RenderPage(const QString& url) override {
        wake();
        FakeRenderer::RenderPage(url);
    }
    int ReadyState() const override {
        wake();
        return FakeRenderer::ReadyState();
    }

private:
    static void wake() {
        QTimer::singleShot(0, QCoreApplication::instance(), [] {});
    }
};

// One analysis run of the own shop in a window that presses Stop as soon
// as row `stopAtRow` starts.
RunResults analyse(HeadlessWindow& window, PrefetchingPageFetcher& fetcher, int stopAtRow = 0) {
    WakingRenderer renderer;
    renderer.bodies.insert(mixedmarket::redirectAddress(4), mixedmarket::renderedRedirectPage());
    RunResults outcome;
    const ResultGrid& grid = window.grid();
    const QMetaObject::Connection recording = QObject::connect(
        &grid, &ResultGrid::dataChanged, [&](const QModelIndex& top, const QModelIndex& bottom) {
            outcome.writes << describe(grid, top, bottom);
            if (top == bottom && top.row() == stopAtRow && top.column() == 3 &&
                grid.cell(top.row(), 3).text == runtext::Checking)
                window.pressStop();
        });
    window.setAddressText(mixedmarket::OwnAddress);
    QCoro::waitFor(runAnalysis(window, fetcher, renderer));
    QObject::disconnect(recording);
    outcome.json = checkdocument::json(window);
    return outcome;
}

QString cellText(const HeadlessWindow& window, int row, int col) {
    return window.grid().cell(row, col).text;
}

QStringList statuses(const HeadlessWindow& window, int rows) {
    QStringList texts;
    for (int row = 1; row <= rows; ++row)
        texts << cellText(window, row, 3);
    return texts;
}

QStringList repeated(const QString& text, int count) {
    return QStringList(count, text);
}

MarketPage failing() {
    MarketPage page;
    page.body = "<html>";
    page = withFault(page, MarketFault::CutBodyShort);
    return page;
}

// A list of `rows` Layout A shops, held, that all live on one host.
void serveOneHost(TestMarket& market, int rows) {
    QString links;
    for (int row = 1; row <= rows; ++row) {
        const QString path = QStringLiteral("/s%1").arg(row);
        links += canned::linkLine(QStringLiteral("http://same.taobao.com") + path,
                                  QStringLiteral("店%1").arg(row));
        market.setPage(QStringLiteral("same.taobao.com"), path,
                       held(canned::gbkPage(canned::layoutA(QStringLiteral("掌柜%1").arg(row), {},
                                                            QStringLiteral("99.00%"),
                                                            QStringLiteral("2010-01-01"), {}))));
    }
    market.setPage(mixedmarket::OwnAddress, QStringLiteral("/"),
                   canned::gbkPage(canned::ownShopPage(QStringLiteral("我的小店"), links)));
}

} // namespace

// The prefetching fetcher against the test marketplace acting as the HTTP
// proxy, in-process with the headless window.
class TestPrefetchingPageFetcher : public QObject {
    Q_OBJECT

private slots:
    void sameResultsForAnyJobs_data();
    void sameResultsForAnyJobs();
    void nothingOutlivesTheRun_data();
    void nothingOutlivesTheRun();
    void fetchesAtOnce_data();
    void fetchesAtOnce();
    void readsPlainPages_data();
    void readsPlainPages();
};

// Every cell is written in the same order with the same text, colour and
// bold whatever the number of jobs; one job asks for one page at a time, in
// the run's order, and nothing beyond where the run ended.
void TestPrefetchingPageFetcher::sameResultsForAnyJobs_data() {
    QTest::addColumn<Options>("options");
    QTest::addColumn<MarketChange>("change");
    QTest::addColumn<int>("stopAtRow");
    QTest::addColumn<QStringList>("expected");
    // Pages fetched ahead are still on their way when the run ends.
    QTest::addColumn<bool>("abandonsAhead");

    const QString ok = runtext::Normal;
    const QString gone = runtext::NotExisting;
    const QStringList whole = {ok, ok, ok, ok, gone, ok, ok, ok, ok, ok, gone, ok};
    const MarketChange none = [](TestMarket&, const Options&) {};
    Options mixed;
    mixed.delayMs = 20;
    mixed.delayStepMs = 30;

    QTest::newRow("whole list") << mixed << none << 0 << whole << false;

    Options redirect = mixed;
    redirect.redirectRows = {4};
    QTest::newRow("redirect row among direct rows") << redirect << none << 0 << whole << false;

    // The rows after the failure are slow, so that they are still being
    // fetched ahead when the run ends.
    const MarketChange shopPageFails = [](TestMarket& market, const Options& options) {
        MarketPage page = failing();
        page.delayMs = 100;
        market.setPage(mixedmarket::shopHost(7), QStringLiteral("/"), page);
        for (int row = 8; row <= options.rows; ++row) {
            MarketPage slow = canned::gbkPage(mixedmarket::shopPage(row));
            slow.delayMs = 20'000;
            market.setPage(mixedmarket::shopHost(row), QStringLiteral("/"), slow);
        }
    };
    QTest::newRow("shop page fails in the middle")
        << mixed << shopPageFails << 0
        << whole.mid(0, 6) + QStringList{runtext::NetworkBroken} + repeated({}, 5) << true;

    const MarketChange ratingPageFails = [](TestMarket& market, const Options&) {
        market.setPage(mixedmarket::RatingHost, mixedmarket::ratingPath(8), failing());
    };
    QTest::newRow("rating page fails")
        << mixed << ratingPageFails << 0 << whole.mid(0, 8) + repeated({}, 4) << false;

    QTest::newRow("stop after a row")
        << mixed << none << 3
        << whole.mid(0, 3) + QStringList{runtext::UserStopped} + repeated({}, 8) << false;

    Options empty = mixed;
    empty.emptyAddressRow = 6;
    QTest::newRow("empty address in the middle")
        << empty << none << 0 << whole.mid(0, 5) + repeated({}, 7) << false;
}

void TestPrefetchingPageFetcher::sameResultsForAnyJobs() {
    QFETCH(Options, options);
    QFETCH(MarketChange, change);
    QFETCH(int, stopAtRow);
    QFETCH(QStringList, expected);
    QFETCH(bool, abandonsAhead);

    QList<RunResults> outcomes;
    for (const int jobs : {1, 8}) {
        TestMarket market;
        QVERIFY(market.listen());
        mixedmarket::serve(market, options);
        change(market, options);
        marketpages::useAsProxy(market);
        PageTransfers transfers;
        PrefetchingPageFetcher fetcher(transfers, 5s, jobs);
        HeadlessWindow window;
        outcomes << analyse(window, fetcher, stopAtRow);
        const QSignalSpy lateWrites(&window.grid(), &ResultGrid::dataChanged);

        QCOMPARE(statuses(window, options.rows), expected);
        // Whatever was still being fetched ahead has been given up, long
        // before the slow pages would have been answered.
        QTRY_COMPARE_WITH_TIMEOUT(market.requestsInProgress(), 0, 10'000);
        const QStringList asked = market.requestLog();
        const int lastRow = int(expected.lastIndexOf(QRegularExpression(".+")) + 1);
        if (jobs == 1) {
            QCOMPARE(market.mostAtOnce(), 1);
            QVERIFY(market.abandonedRequests().isEmpty());
            for (const QString& entry : asked) {
                const int row = entry.mid(entry.indexOf(QStringLiteral("shop")) + 4, 2).toInt();
                QVERIFY2(row <= lastRow, qPrintable(entry));
            }
        }
        for (const QString& entry : market.abandonedRequests())
            QVERIFY2(!entry.contains(mixedmarket::shopHost(lastRow)), qPrintable(entry));
        if (jobs > 1 && abandonsAhead)
            QVERIFY(!market.abandonedRequests().isEmpty());
        if (options.emptyAddressRow > 0) {
            for (int row = options.emptyAddressRow; row <= options.rows; ++row)
                QVERIFY(!asked.join(u' ').contains(mixedmarket::shopHost(row)));
        }
        // Nothing arrived into the grid after the run, while every
        // request ended.
        QCOMPARE(lateWrites.count(), 0);
        QCOMPARE(checkdocument::json(window), outcomes.last().json);
    }
    QCOMPARE(outcomes[1].writes, outcomes[0].writes);
    QCOMPARE(outcomes[1].json, outcomes[0].json);
}

// Two runs in a row with the same fetcher: pages the first run fetched
// ahead never answer the second, which sees the pages as they are now.
void TestPrefetchingPageFetcher::nothingOutlivesTheRun_data() {
    QTest::addColumn<int>("jobs");
    QTest::addColumn<bool>("firstRunFails");

    QTest::newRow("one job, after a stop") << 1 << false;
    QTest::newRow("eight jobs, after a stop") << 8 << false;
    QTest::newRow("one job, after a network failure") << 1 << true;
    QTest::newRow("eight jobs, after a network failure") << 8 << true;
}

void TestPrefetchingPageFetcher::nothingOutlivesTheRun() {
    QFETCH(int, jobs);
    QFETCH(bool, firstRunFails);

    TestMarket market;
    QVERIFY(market.listen());
    const Options options;
    mixedmarket::serve(market, options);
    // The first row is held until a row after it has been fetched ahead.
    const MarketPage first = firstRunFails ? failing() : canned::gbkPage(mixedmarket::shopPage(1));
    market.setPage(mixedmarket::shopHost(1), QStringLiteral("/"), held(first));
    connect(&market, &TestMarket::requested, this, [&](const QString& entry) {
        if (jobs == 1 || entry == QStringLiteral("GET http://shop04.taobao.com/"))
            market.setHolding(false);
    });
    marketpages::useAsProxy(market);
    PageTransfers transfers;
    PrefetchingPageFetcher fetcher(transfers, 5s, jobs);
    HeadlessWindow window;
    analyse(window, fetcher, firstRunFails ? 0 : 1);
    const bool fetchedAhead =
        market.requestLog().contains(QStringLiteral("GET http://shop04.taobao.com/"));
    QCOMPARE(fetchedAhead, jobs > 1);

    market.setPage(mixedmarket::shopHost(1), QStringLiteral("/"),
                   canned::gbkPage(mixedmarket::shopPage(1)));
    market.setPage(mixedmarket::shopHost(4), QStringLiteral("/"),
                   canned::gbkPage(mixedmarket::shopPage(4, 2)));
    market.setPage(mixedmarket::RatingHost, mixedmarket::ratingPath(2),
                   canned::gbkPage(canned::ratingPage(QStringLiteral("11.11%"))));
    analyse(window, fetcher);

    QCOMPARE(cellText(window, 4, 4), QStringLiteral("掌柜4版2"));
    QCOMPARE(cellText(window, 2, 6), QStringLiteral("11.11%"));
    QCOMPARE(statuses(window, 4), repeated(runtext::Normal, 4));
}

// At most `jobs` fetches at once, and never more than two to one host: the
// shop pages are held until that many are waiting.
void TestPrefetchingPageFetcher::fetchesAtOnce_data() {
    QTest::addColumn<int>("jobs");
    QTest::addColumn<bool>("oneHost");
    QTest::addColumn<int>("mostAtOnce");

    QTest::newRow("one job") << 1 << false << 1;
    QTest::newRow("three jobs") << 3 << false << 3;
    QTest::newRow("eight jobs") << 8 << false << 8;
    QTest::newRow("eight jobs, one host") << 8 << true << 2;
}

void TestPrefetchingPageFetcher::fetchesAtOnce() {
    QFETCH(int, jobs);
    QFETCH(bool, oneHost);
    QFETCH(int, mostAtOnce);

    TestMarket market;
    QVERIFY(market.listen());
    Options options;
    options.rows = 16;
    if (oneHost) {
        serveOneHost(market, options.rows);
    } else {
        mixedmarket::serve(market, options);
        for (int row = 1; row <= options.rows; ++row)
            market.setPage(mixedmarket::shopHost(row), QStringLiteral("/"),
                           held(canned::gbkPage(mixedmarket::shopPage(row))));
    }
    connect(&market, &TestMarket::requested, this, [&] {
        if (market.requestsInProgress() == mostAtOnce)
            market.setHolding(false);
    });
    marketpages::useAsProxy(market);
    PageTransfers transfers;
    PrefetchingPageFetcher fetcher(transfers, 30s, jobs);
    HeadlessWindow window;
    analyse(window, fetcher);

    QCOMPARE(cellText(window, options.rows, 3), runtext::Normal);
    QCOMPARE(market.mostAtOnce(), mostAtOnce);
    QVERIFY(market.mostAtOnceToOneHost() <= readahead::MaxPerHost);
}

namespace {

MarketPage withHeaders(MarketPage page, int status,
                       const QList<std::pair<QByteArray, QByteArray>>& headers) {
    page.status = status;
    page.headers = headers;
    return page;
}

QStringList rowTexts(const HeadlessWindow& window, int row) {
    QStringList texts;
    for (int col = 0; col < window.grid().Cols(); ++col)
        texts << cellText(window, row, col);
    return texts;
}

} // namespace

// Pages as real shops serve them, through whole runs with one and with eight
// jobs: the three canned shops' rows after the change, and the same pages
// asked for in a second run, which starts without the first run's cookies.
// (Error statuses at every place are in the fault matrix.)
void TestPrefetchingPageFetcher::readsPlainPages_data() {
    QTest::addColumn<MarketChange>("change");
    QTest::addColumn<QList<QStringList>>("rows");

    const QList<QStringList> canned = {canned::expectedRow(1), canned::expectedRow(2),
                                       canned::expectedRow(3)};
    const QString shopA = QStringLiteral("shopa.taobao.com");
    const QString own = canned::OwnHost;
    const auto ownPageLinking = [](const QString& from, const QString& to) {
        return canned::gbkPage(canned::ownPage().replace(from, to));
    };

    QList<QStringList> schemeRelative = canned;
    schemeRelative[0][2] = QStringLiteral("//shopa.taobao.com/");
    QTest::newRow("friend link without a scheme") << MarketChange([=](TestMarket& market,
                                                                      const Options&) {
        market.setPage(own, "/", ownPageLinking("http://shopa.taobao.com/", "//shopa.taobao.com/"));
    }) << schemeRelative;
    QTest::newRow("layout B rating link without a scheme")
        << MarketChange([](TestMarket& market, const Options&) {
               market.setPage("shopb.taobao.com", "/",
                              canned::gbkPage(canned::shopPageB().replace("http://rate.taobao.com/",
                                                                          "//rate.taobao.com/")));
           })
        << canned;
    // The shop hands its visitors a cookie and sends them back to itself
    // until they bring it.
    QTest::newRow("shop page behind a cookie") << MarketChange([=](TestMarket& market,
                                                                   const Options&) {
        market.setPage(shopA, "/",
                       withHeaders({}, 302,
                                   {{"Set-Cookie", "visited=1; Path=/"},
                                    {"Location", "http://shopa.taobao.com/"}}));
        market.setPageForCookie(shopA, "/", "visited=1", canned::gbkPage(canned::shopPageA()));
    }) << canned;
    // The cookie comes with the own page; the friend pages, read ahead with
    // eight jobs, need it.
    QTest::newRow("cookie of the own page sent with the friend pages")
        << MarketChange([=](TestMarket& market, const Options&) {
               market.setPage(own, "/",
                              withHeaders(canned::gbkPage(canned::ownPage()), 200,
                                          {{"Set-Cookie", "tb=7; Domain=.taobao.com; Path=/"}}));
               market.setPage(shopA, "/",
                              withHeaders({}, 302, {{"Location", "http://shopa.taobao.com/"}}));
               market.setPageForCookie(shopA, "/", "tb=7", canned::gbkPage(canned::shopPageA()));
           })
        << canned;
}

void TestPrefetchingPageFetcher::readsPlainPages() {
    QFETCH(MarketChange, change);
    QFETCH(QList<QStringList>, rows);

    for (const int jobs : {1, 8}) {
        TestMarket market;
        QVERIFY(market.listen());
        canned::serveAll(market);
        change(market, {});
        marketpages::useAsProxy(market);
        PageTransfers transfers;
        PrefetchingPageFetcher fetcher(transfers, 5s, jobs);
        QList<QStringList> asked;
        for (int run = 0; run < 2; ++run) {
            const qsizetype before = market.requestLog().size();
            HeadlessWindow window;
            analyse(window, fetcher);
            for (int row = 1; row <= 3; ++row)
                QCOMPARE(rowTexts(window, row), rows[row - 1]);
            asked << market.requestLog().mid(before);
            asked.last().sort();
        }
        QCOMPARE(asked[1], asked[0]);
    }
}

QTEST_GUILESS_MAIN(TestPrefetchingPageFetcher)
#include "TestPrefetchingPageFetcher.moc"
