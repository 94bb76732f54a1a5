#include "AnalysisRun.h"
#include "BrowserTestMain.h"
#include "CannedMarket.h"
#include "FakePages.h"
#include "FakeWindow.h"
#include "ForwardingProxy.h"
#include "MarketFaults.h"
#include "PageRequest.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "PrivateNetwork.h"
#include "RunTexts.h"
#include "TestMarket.h"
#include "WebPageRenderer.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QNetworkProxyFactory>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <array>
#include <memory>
#include <tuple>

using namespace std::chrono_literals;

namespace {

// Where a fault strikes.
enum class Place { OwnShop, FriendShop, RatingPage, RedirectRow };

enum class Fault {
    ConnectionRefused,
    ResetBeforeAnswer,
    ResetMidBody,
    NoAnswer,
    Trickle,
    BodyShorterThanLength,
    BodyOverSizeCap,
    RedirectLoop,
    BrokenGzip,
    InvalidGbk,
    NotFoundWithBody,
    NotFoundEmpty,
    ServerErrorWithBody,
    ServerErrorEmpty,
    ProxyUnreachable,
    EndlessHeaders,
    BadChunkSize,
    ClosedWithoutAnswer,
    LocalAddress,    // the place's address is on this machine
    RedirectToLocal, // the place's address redirects to this machine
    ImageNeverAnswers,
    Unauthorized,    // 401
    Forbidden,       // 403
    TooManyRequests, // 429 without Retry-After
    TooManyThenPage, // 429 with Retry-After, then the page
    BusyThenPage,    // 503 with Retry-After, then the page
};

// What the run makes of it.
enum class Outcome {
    NetworkFailure, // the message and "网络中断" in the place's form
    Searched,       // the page is read like any page; the run goes on to the end
    Marked,         // the row's own red mark at the place, no message; the run goes on
};

constexpr auto FetchTimeout = 2s;
// The browser's page deadline is longer: it also renders the page, and a page
// over the fetcher's size cap takes it several seconds on a busy machine.
constexpr auto BrowserTimeout = 8s;
// Stop is pressed once a run has waited this long in the browser, so that a
// browser that misses its deadline fails the row instead of hanging it.
constexpr qint64 BrowserPatienceMs = 10000;
// No run may take longer than one fetch time-out plus the browser's patience,
// with room for a slow machine.
constexpr qint64 RunLimitMs = 2000 + BrowserPatienceMs + 4000;

const QString RedirectAddress = QStringLiteral("http://s.click.taobao.com/row");
const QString FriendHost = QStringLiteral("shopa.taobao.com");
const QString Root = QStringLiteral("/");
const QString ImageHost = QStringLiteral("img.taobao.com");
const QString ImagePath = QStringLiteral("/never.gif");

// Bytes that are no GBK pair: 0x81 is a lead byte, a space no trail byte.
const QByteArray InvalidPair = QByteArrayLiteral("\x81\x20");

// A shop page of rendered layout A: the browser's serialisation of it gives
// the same values as canned row 1.
QString renderedShopPage() {
    return QStringLiteral(
        "<div class=\"shop-info-simple\"><a href=\"http://member.taobao.com/a\">卖家甲</a>"
        "<img src=\"http://pics.taobao.com/newrank/s_red_3.gif\"></div>"
        "<ul><li><span>好评率：</span>99.50%</li><li><span>创店时间</span>2008-05-01</li></ul>"
        "<h3>友情链接</h3><a href=\"http://myshop.taobao.com\">我的小店</a>");
}

// The page the place normally serves, as GBK.
QString normalPage(Place place) {
    switch (place) {
    case Place::OwnShop:
        return canned::ownPage();
    case Place::FriendShop:
        return canned::shopPageA();
    case Place::RatingPage:
        return canned::ratingPageB();
    case Place::RedirectRow:
        return renderedShopPage();
    }
    return {};
}

// Text that the invalid pair is put behind, one per place, where it shows in
// the grid.
QString invalidGbkSpot(Place place) {
    switch (place) {
    case Place::OwnShop:
        return QStringLiteral(">甲"); // the friend link's name
    case Place::FriendShop:
    case Place::RedirectRow:
        return QStringLiteral(">卖家"); // the member name
    case Place::RatingPage:
        return QStringLiteral(">98"); // the rate
    }
    return {};
}

QByteArray withInvalidPair(Place place) {
    QByteArray bytes = canned::gbk(normalPage(place));
    const QByteArray spot = canned::gbk(invalidGbkSpot(place));
    bytes.insert(bytes.indexOf(spot) + spot.size(), InvalidPair);
    return bytes;
}

MarketPage pageOf(const QByteArray& body, int status = 200) {
    MarketPage page;
    page.status = status;
    page.body = body;
    return page;
}

// A body over the size cap that is still the place's page: the padding sits
// in a comment in front of it, inside the document's body.
QByteArray oversized(Place place) {
    const QByteArray padding(PageRequest::MaxPageBytes, ' ');
    return "<body><!--" + padding + "-->" + canned::gbk(normalPage(place));
}

// What the place's address answers with this fault. Connection refused and
// an unreachable proxy are not answers: they are set up in the routing.
MarketPage faultyAnswer(Fault fault, Place place, const QString& address) {
    const QByteArray body = canned::gbk(normalPage(place));
    MarketPage page = pageOf(body);
    switch (fault) {
    case Fault::ConnectionRefused:
    case Fault::ProxyUnreachable:
    case Fault::LocalAddress:
    case Fault::RedirectToLocal:
        break;
    case Fault::EndlessHeaders:
        page = withFault(page, MarketFault::EndlessHeaders);
        break;
    case Fault::BadChunkSize:
        page = withFault(page, MarketFault::BadChunkSize);
        break;
    case Fault::ClosedWithoutAnswer:
        page = withFault(page, MarketFault::CloseWithoutAnswer);
        break;
    case Fault::ResetBeforeAnswer:
        page = withFault(page, MarketFault::ResetBeforeAnswer);
        break;
    case Fault::ResetMidBody:
        page = withFault(page, MarketFault::ResetMidBody);
        break;
    case Fault::NoAnswer:
        page = withFault(page, MarketFault::NeverAnswer);
        break;
    case Fault::Trickle:
        page = withFault(page, MarketFault::Trickle);
        break;
    case Fault::BodyShorterThanLength:
        page = withFault(page, MarketFault::CutBodyShort);
        break;
    case Fault::BodyOverSizeCap:
        page.body = oversized(place);
        break;
    case Fault::RedirectLoop:
        page = pageOf({}, 302);
        page.headers = {{"Location", address.toLatin1()}};
        break;
    case Fault::BrokenGzip:
        page.headers = {{"Content-Encoding", "gzip"}};
        page.body = QByteArrayLiteral("\x1f\x8b\x08\x00 this is not deflated data \xff\xfe");
        break;
    case Fault::InvalidGbk:
        page.body = withInvalidPair(place);
        break;
    case Fault::NotFoundWithBody:
        page.status = 404;
        break;
    case Fault::NotFoundEmpty:
        page = pageOf({}, 404);
        break;
    case Fault::ServerErrorWithBody:
        page.status = 500;
        break;
    case Fault::ServerErrorEmpty:
        page = pageOf({}, 500);
        break;
    case Fault::ImageNeverAnswers: // after the page's own markup
        page.body += "<img src=\"http://" + ImageHost.toLatin1() + ImagePath.toLatin1() + "\">";
        break;
    case Fault::Unauthorized:
        page.status = 401;
        break;
    case Fault::Forbidden:
        page.status = 403;
        break;
    case Fault::TooManyRequests:
    case Fault::TooManyThenPage:
        page.status = 429;
        break;
    case Fault::BusyThenPage:
        page.status = 503;
        break;
    }
    if (fault == Fault::TooManyThenPage || fault == Fault::BusyThenPage)
        page.headers = {{"Retry-After", "1"}};
    // The browser is told the code page; the fetcher finds GBK without it.
    if (place == Place::RedirectRow)
        page.charset = "gbk";
    return page;
}

// A port on which nothing listens.
quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

struct Routing {
    quint16 marketPort = 0;
    quint16 deadPort = 0;
    QString hostBehindDeadProxy;
    QString directHost = QStringLiteral("127.0.0.1");
};

// The fetcher's routes: through the row's marketplace, except for the host
// whose proxy is unreachable; the direct host (127.0.0.1) directly.
class RowRoutes : public QNetworkProxyFactory {
public:
    explicit RowRoutes(Routing routing)
        : routing_(std::move(routing)) {}

    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        if (query.peerHostName() == routing_.directHost)
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        const quint16 port = query.peerHostName() == routing_.hostBehindDeadProxy
                                 ? routing_.deadPort
                                 : routing_.marketPort;
        return {QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port)};
    }

private:
    Routing routing_;
};

// Whether every request in the log went to a marketplace host.
bool onlyMarketHosts(const QStringList& log) {
    return std::all_of(log.begin(), log.end(), [](const QString& entry) {
        const QString host = QUrl(entry.section(QLatin1Char(' '), 1)).host();
        return host.endsWith(QLatin1String(".taobao.com")) ||
               host.endsWith(QLatin1String(".tmall.com"));
    });
}

} // namespace

Q_DECLARE_METATYPE(Place)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Outcome)

// Every fault at every place it can strike, through the test marketplace
// with the real fetcher (short time-out) and the real browser: the run ends
// as prescribed for the place, always through the run-end step, within the
// time-out.
class TestFaultMatrix : public QObject {
    Q_OBJECT

public:
    // Whether the test runs in network and mount namespaces of its own.
    explicit TestFaultMatrix(bool ownNetwork)
        : ownNetwork_(ownNetwork) {}

private:
    bool ownNetwork_;
    Routing routing_;

    // Serves the canned marketplace with the fault at the place, and sets
    // the address box; the browser takes the application proxy. A refused
    // connection and a local address lead to `divertTo` ("host:port").
    void setUpRow(TestMarket& market, FakeWindow& window, Fault fault, Place place,
                  const QString& divertTo) {
        canned::serveAll(market);
        MarketPage never;
        never = withFault(never, MarketFault::NeverAnswer);
        market.setPage(ImageHost, ImagePath, never);
        QString ownPage = canned::ownPage();
        if (place == Place::RedirectRow)
            ownPage.replace(QStringLiteral("http://shopa.taobao.com/"), RedirectAddress);
        market.setPage(canned::OwnHost, Root, canned::gbkPage(ownPage));
        window.address = QStringLiteral("myshop");

        const QString refused = QStringLiteral("http://%1/").arg(divertTo);
        const bool diverted = fault == Fault::ConnectionRefused || fault == Fault::LocalAddress;
        QString host;
        QString path = Root;
        switch (place) {
        case Place::OwnShop:
            host = canned::OwnHost;
            if (diverted) // keeps the suffix: nothing is appended
                window.address = divertTo + QStringLiteral("/myshop.taobao.com");
            break;
        case Place::FriendShop:
            host = FriendHost;
            if (diverted)
                market.setPage(canned::OwnHost, Root,
                               canned::gbkPage(QString(ownPage).replace(
                                   QStringLiteral("http://shopa.taobao.com/"), refused)));
            break;
        case Place::RatingPage:
            host = canned::RatingHost;
            path = canned::RatingPath;
            if (diverted)
                market.setPage(QStringLiteral("shopb.taobao.com"), Root,
                               canned::gbkPage(canned::shopPageB().replace(
                                   QStringLiteral("http://rate.taobao.com/"), refused)));
            break;
        case Place::RedirectRow:
            host = QStringLiteral("s.click.taobao.com");
            path = QStringLiteral("/row");
            break;
        }
        if (fault == Fault::RedirectToLocal ||
            (fault == Fault::LocalAddress && place == Place::RedirectRow)) {
            MarketPage redirect = pageOf({}, 302);
            redirect.headers = {{"Location", refused.toLatin1()}};
            market.setPage(host, path, redirect);
        } else if (fault == Fault::TooManyThenPage || fault == Fault::BusyThenPage) {
            MarketPage normal = pageOf(canned::gbk(normalPage(place)));
            if (place == Place::RedirectRow)
                normal.charset = "gbk";
            market.setPagesInTurn(host, path, {faultyAnswer(fault, place, {}), normal});
        } else if (!diverted) {
            market.setPage(host, path,
                           faultyAnswer(fault, place, QStringLiteral("http://") + host + path));
        }

        routing_.marketPort = market.port();
        routing_.hostBehindDeadProxy = fault == Fault::ProxyUnreachable ? host : QString();
        // The browser meets a refused connection at its proxy: the address
        // the row leads to is no local one.
        const bool browserCutOff =
            (fault == Fault::ProxyUnreachable || fault == Fault::ConnectionRefused) &&
            place == Place::RedirectRow;
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"),
                          browserCutOff ? routing_.deadPort : market.port()));
    }

    static QStringList rowTexts(FakeWindow& window, int row) {
        QStringList texts;
        for (int col = 0; col < window.grid().Cols(); ++col)
            texts << window.grid().cell(row, col).text;
        return texts;
    }

    // The message was shown (checked by the caller); the grid shows the
    // failure in the place's form and no row after it was inspected.
    static void checkNetworkFailure(FakeWindow& window, Place place) {
        const QString broken = runtext::NetworkBroken;
        switch (place) {
        case Place::OwnShop:
            QCOMPARE(window.table.writes, QStringList());
            QCOMPARE(window.grid().Rows(), 2);
            return;
        case Place::FriendShop:
            QCOMPARE(window.grid().ForeColor(), std::optional<quint32>(runtext::Red));
            QCOMPARE(window.cellState(1, 3), broken + QStringLiteral("|0|0"));
            QCOMPARE(window.grid().cell(2, 3).text, QString());
            return;
        case Place::RatingPage: {
            QCOMPARE(window.grid().ForeColor(), std::nullopt);
            QCOMPARE(rowTexts(window, 1), canned::expectedRow(1));
            QStringList row2 = canned::expectedRow(2);
            row2[6] = QString();
            row2[8] = broken;
            QCOMPARE(rowTexts(window, 2), row2);
            QCOMPARE(window.cellState(2, 8), broken + QStringLiteral("|255|0"));
            QCOMPARE(window.grid().cell(3, 3).text, QString());
            return;
        }
        case Place::RedirectRow:
            QCOMPARE(window.grid().ForeColor(), std::nullopt);
            QCOMPARE(window.cellState(1, 3), broken + QStringLiteral("|255|0"));
            QCOMPARE(window.grid().cell(2, 3).text, QString());
            return;
        }
    }

    // The row's own red mark at the place, with why, and nothing else of the
    // row written; the run went on to the last row.
    static void checkMarked(FakeWindow& window, Place place, const QString& status) {
        QCOMPARE(window.grid().ForeColor(), std::nullopt);
        const qint32 row = place == Place::RatingPage ? 2 : 1;
        const qint32 col = place == Place::RatingPage ? 6 : 3;
        QCOMPARE(window.cellState(row, col), status + QStringLiteral("|255|0"));
        QVERIFY(!window.grid().cell(row, col).note.isEmpty());
        QStringList marked = canned::expectedRow(row);
        marked[2] = window.grid().cell(row, 2).text; // as the fault set it up
        if (place != Place::RatingPage) {
            for (qint32 other = 4; other <= 8; ++other)
                marked[other] = QString();
        }
        marked[col] = status;
        QCOMPARE(rowTexts(window, row), marked);
        for (qint32 other = 1; other <= 3; ++other) {
            if (other != row)
                QCOMPARE(rowTexts(window, other), canned::expectedRow(other));
        }
    }

    // The page was read like any other and the run went on to the last row.
    static void checkSearched(FakeWindow& window, Place place, Fault fault) {
        QList<QStringList> rows{canned::expectedRow(1), canned::expectedRow(2),
                                canned::expectedRow(3)};
        if (place == Place::RedirectRow)
            rows[0][2] = RedirectAddress;
        if (fault == Fault::InvalidGbk) {
            switch (place) {
            case Place::OwnShop:
                // The link list's code page has no U+FFFD: it comes back as '?'.
                rows[0][1] = QStringLiteral("甲? 店");
                break;
            case Place::FriendShop:
            case Place::RedirectRow:
                rows[0][4] = QStringLiteral("卖家\uFFFD 甲");
                break;
            case Place::RatingPage:
                rows[1][6] = QStringLiteral("98\uFFFD .70%");
                break;
            }
        }
        QCOMPARE(window.grid().ForeColor(), std::nullopt);
        for (int row = 1; row <= 3; ++row)
            QCOMPARE(rowTexts(window, row), rows[row - 1]);
    }

    static void addFault(const char* name, Fault fault, std::array<Outcome, 4> outcomes) {
        const std::array<std::pair<Place, const char*>, 4> places{{
            {Place::OwnShop, "own shop page"},
            {Place::FriendShop, "friend shop page"},
            {Place::RatingPage, "layout B rating page"},
            {Place::RedirectRow, "click-redirect row"},
        }};
        for (std::size_t i = 0; i < places.size(); ++i)
            QTest::addRow("%s @ %s", name, places[i].second)
                << places[i].first << fault << outcomes[i];
    }

    // Runs the analysis with the real fetcher and browser. Checks that the
    // run ended in time, through the run-end step, with the message for the
    // outcome.
    void runRow(FakeWindow& window, PageTransfers& transfers, Outcome outcome) {
        PrefetchingPageFetcher fetcher(transfers, FetchTimeout, 1);
        WebPageRenderer renderer(BrowserTimeout);
        renderer.setRefusedHosts(&transfers.refusedHosts());
        // Stop is pressed once the browser has been loading for a while, as
        // a user would.
        QElapsedTimer loading;
        QTimer patience;
        connect(&patience, &QTimer::timeout, this, [&] {
            if (renderer.ReadyState() == PageRenderer::ReadyStateComplete ||
                renderer.ReadyState() == 0)
                loading.invalidate();
            else if (!loading.isValid())
                loading.start();
            else if (loading.hasExpired(BrowserPatienceMs))
                window.pressStop();
        });
        patience.start(50);
        QElapsedTimer clock;
        clock.start();
        QCoro::waitFor(runAnalysis(window, fetcher, renderer));
        const qint64 elapsed = clock.elapsed();

        QVERIFY2(elapsed < RunLimitMs, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
        QVERIFY(window.analyzeEnabled);
        QVERIFY(!window.stopEnabled);
        QCOMPARE(window.StopRequested(), qint16(0));
        const QString failed =
            runtext::MessageTitle + QStringLiteral(": ") + runtext::NetworkFailed;
        QCOMPARE(window.messages,
                 outcome == Outcome::NetworkFailure ? QStringList{failed} : QStringList{});
    }

private slots:
    void initTestCase() { routing_.deadPort = closedPort(); }

    void faultAtPlace_data() {
        QTest::addColumn<Place>("place");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<Outcome>("outcome");

        constexpr Outcome F = Outcome::NetworkFailure;
        constexpr Outcome S = Outcome::Searched;
        constexpr Outcome M = Outcome::Marked;
        // Outcomes at: own shop page, friend shop page, rating page, redirect row.
        addFault("connection refused", Fault::ConnectionRefused, {F, F, F, F});
        addFault("reset before any answer", Fault::ResetBeforeAnswer, {F, F, F, F});
        addFault("reset in the middle of the body", Fault::ResetMidBody, {F, F, F, F});
        addFault("no answer", Fault::NoAnswer, {F, F, F, F});
        addFault("one byte a second", Fault::Trickle, {F, F, F, F});
        addFault("body shorter than its length", Fault::BodyShorterThanLength, {F, F, F, F});
        addFault("body over the size cap", Fault::BodyOverSizeCap, {F, F, F, F});
        addFault("redirect loop", Fault::RedirectLoop, {F, F, F, F});
        addFault("broken gzip content", Fault::BrokenGzip, {F, F, F, F});
        addFault("bytes that are not GBK", Fault::InvalidGbk, {S, S, S, S});
        addFault("HTTP 404 with a body", Fault::NotFoundWithBody, {S, S, S, S});
        addFault("HTTP 404 without a body", Fault::NotFoundEmpty, {F, F, F, F});
        addFault("HTTP 500 with a body", Fault::ServerErrorWithBody, {F, F, F, F});
        addFault("HTTP 500 without a body", Fault::ServerErrorEmpty, {F, F, F, F});
        addFault("proxy unreachable", Fault::ProxyUnreachable, {F, F, F, F});
        addFault("response headers that never end", Fault::EndlessHeaders, {F, F, F, F});
        addFault("invalid chunk-size line", Fault::BadChunkSize, {F, F, F, F});
        addFault("connection closed without an answer", Fault::ClosedWithoutAnswer, {F, F, F, F});
        // Neither a page read as text nor the browser asks for its images.
        addFault("an image that never answers", Fault::ImageNeverAnswers, {S, S, S, S});
        // A site that refuses the page refuses this row only; the own page
        // still ends at its message. The plain fetcher asks again once after
        // a Retry-After that fits its time; the browser does not.
        addFault("HTTP 401", Fault::Unauthorized, {F, M, M, M});
        addFault("HTTP 403", Fault::Forbidden, {F, M, M, M});
        addFault("HTTP 429", Fault::TooManyRequests, {F, M, M, M});
        addFault("HTTP 429, Retry-After, then the page", Fault::TooManyThenPage, {S, S, S, M});
        addFault("HTTP 503, Retry-After, then the page", Fault::BusyThenPage, {S, S, S, F});
    }

    void faultAtPlace() {
        QFETCH(Place, place);
        QFETCH(Fault, fault);
        QFETCH(Outcome, outcome);

        TestMarket market;
        QVERIFY(market.listen());
        FakeWindow window;
        setUpRow(market, window, fault, place,
                 QStringLiteral("127.0.0.1:%1").arg(routing_.deadPort));
        // A refused connection needs a direct one to this machine.
        PageTransfers transfers([fault](const QHostAddress& address) {
            return fault == Fault::ConnectionRefused || isPublicAddress(address);
        });
        transfers.setProxyFactory(std::make_unique<RowRoutes>(routing_));
        runRow(window, transfers, outcome);
        if (QTest::currentTestFailed())
            return;

        if (fault == Fault::ClosedWithoutAnswer) // asked once, never again
            QCOMPARE(market.requestLog().count(market.requestLog().constLast()), 1);
        if (outcome == Outcome::NetworkFailure)
            checkNetworkFailure(window, place);
        else if (outcome == Outcome::Marked)
            checkMarked(window, place, runtext::AccessDenied);
        else
            checkSearched(window, place, fault);
    }

    // A page without any layout's marker, on either path, is the row's own
    // "无法识别"; a page that a script fills is read only by the browser.
    void unreadablePage_data() {
        QTest::addColumn<Place>("place");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("readByBrowser");

        // The shop's markup comes only from the script, which spells the
        // layout's marker in two parts.
        QString filled = renderedShopPage()
                             .replace(QStringLiteral("'"), QStringLiteral("\\'"))
                             .replace(QStringLiteral("shop-info-simple"),
                                      QStringLiteral("shop-info-' + 'simple"));
        filled = "<div id=\"app\"></div><script>document.getElementById('app').innerHTML = '" +
                 filled + "';</script>";
        const std::array<std::pair<const char*, QString>, 4> pages{{
            {"slider verification",
             "<title>验证码拦截</title><div id=\"nc_1_wrapper\">请按住滑块，拖动到最右边</div>"},
            {"login page", "<title>淘宝网 - 淘！我喜欢</title><form id=\"login-form\"></form>"},
            {"access restricted", "<title>访问受限</title><p>访问受限，请稍后再试</p>"},
            {"filled by a script", filled},
        }};
        for (const auto& [name, page] : pages) {
            const bool byScript = page == filled;
            QTest::addRow("%s, fetched", name) << Place::FriendShop << page << false;
            QTest::addRow("%s, in the browser", name) << Place::RedirectRow << page << byScript;
        }
    }

    void unreadablePage() {
        QFETCH(Place, place);
        QFETCH(QString, page);
        QFETCH(bool, readByBrowser);

        TestMarket market;
        QVERIFY(market.listen());
        canned::serveAll(market);
        const bool rendered = place == Place::RedirectRow;
        if (rendered)
            market.setPage(canned::OwnHost, Root,
                           canned::gbkPage(canned::ownPage().replace(
                               QStringLiteral("http://shopa.taobao.com/"), RedirectAddress)));
        MarketPage unreadable = pageOf(canned::gbk(page));
        unreadable.charset = "gbk";
        market.setPage(rendered ? QStringLiteral("s.click.taobao.com") : FriendHost,
                       rendered ? QStringLiteral("/row") : Root, unreadable);
        routing_.marketPort = market.port();
        routing_.hostBehindDeadProxy.clear();
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), market.port()));
        PageTransfers transfers;
        transfers.setProxyFactory(std::make_unique<RowRoutes>(routing_));
        FakeWindow window;
        window.address = QStringLiteral("myshop");

        runRow(window, transfers, readByBrowser ? Outcome::Searched : Outcome::Marked);
        if (QTest::currentTestFailed())
            return;
        if (readByBrowser)
            checkSearched(window, place, Fault::ImageNeverAnswers);
        else
            checkMarked(window, place, runtext::Unreadable);
    }

    // An address on this machine, in any spelling, typed, linked, as a
    // rating page or as a redirect target, is never reached, directly or
    // through the proxy: typed, a network failure; linked, the row's own
    // "地址无效".
    void localAddressNotReached_data() {
        QTest::addColumn<Place>("place");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("host");

        const std::array<std::tuple<Place, Fault, const char*>, 5> ways{{
            {Place::OwnShop, Fault::LocalAddress, "typed"},
            {Place::FriendShop, Fault::LocalAddress, "linked"},
            {Place::RatingPage, Fault::LocalAddress, "rating page"},
            {Place::FriendShop, Fault::RedirectToLocal, "redirect from a shop page"},
            {Place::RedirectRow, Fault::RedirectToLocal, "click-redirect target"},
        }};
        for (const char* host : {"127.0.0.1", "localhost", "127.1", "2130706433", "0x7f000001",
                                 "[::ffff:127.0.0.1]"}) {
            for (const auto& [place, fault, way] : ways)
                QTest::addRow("%s %s", way, host) << place << fault << QString::fromLatin1(host);
        }
    }

    void localAddressNotReached() {
        QFETCH(Place, place);
        QFETCH(Fault, fault);
        QFETCH(QString, host);

        TestMarket market;
        TestMarket localService;
        QVERIFY(market.listen());
        QVERIFY(localService.listen());
        FakeWindow window;
        setUpRow(market, window, fault, place,
                 QStringLiteral("%1:%2").arg(host).arg(localService.port()));
        PageTransfers transfers;
        transfers.setProxyFactory(std::make_unique<RowRoutes>(routing_));
        // Typed, it ends at the own page's message; linked, it marks its row.
        const bool typed = place == Place::OwnShop;
        runRow(window, transfers, typed ? Outcome::NetworkFailure : Outcome::Marked);
        if (QTest::currentTestFailed())
            return;

        if (typed)
            checkNetworkFailure(window, place);
        else
            checkMarked(window, place, runtext::InvalidAddress);
        QCOMPARE(localService.requestLog().join(QLatin1Char(' ')), QString());
        QVERIFY2(onlyMarketHosts(market.requestLog()), qPrintable(market.requestLog().join(' ')));
    }

    // No proxy and a name server that never answers: the own page is a
    // network failure within the time-out, as neither the look-up of the
    // system's proxy settings nor the name's resolution holds the run up.
    void nameServerNeverAnswers() {
        if (!ownNetwork_)
            QSKIP("needs network and mount namespaces of its own (root)");
        QUdpSocket silent; // reads nothing, answers nothing
        silent.setProxy(QNetworkProxy::NoProxy);
        QVERIFY(silent.bind(QHostAddress::LocalHost, 53));
        const privatenetwork::BoundFile resolver(
            "nameserver 127.0.0.1\noptions timeout:5 attempts:2\n", "/etc/resolv.conf");
        QVERIFY(resolver.isBound());
        for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(name);
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        FakeWindow window;
        window.address = QStringLiteral("myshop");
        PageTransfers transfers;
        PrefetchingPageFetcher fetcher(transfers, FetchTimeout, 1);
        FakeRenderer renderer;

        QElapsedTimer clock;
        clock.start();
        QCoro::waitFor(runAnalysis(window, fetcher, renderer));
        const qint64 elapsed = clock.elapsed();
        QNetworkProxyFactory::setUseSystemConfiguration(false);

        QVERIFY2(elapsed < std::chrono::milliseconds(FetchTimeout).count() + 2000,
                 qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
        QCOMPARE(window.messages, QStringList{runtext::MessageTitle + QStringLiteral(": ") +
                                              runtext::NetworkFailed});
        checkNetworkFailure(window, Place::OwnShop);
    }

    // A name that resolves to this machine, reached by the browser as a
    // redirect target or as a page's picture: the browser goes through the
    // forwarding proxy, which resolves the name and refuses the address.
    void nameOfThisMachineNotReached_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("302 to the name") << "redirect";
        QTest::newRow("picture from the name") << "picture";
        QTest::newRow("friend link to the name, fetched directly") << "link";
    }

    void nameOfThisMachineNotReached() {
        QFETCH(QString, way);
        const bool asRedirect = way == QLatin1String("redirect");
        const bool asLink = way == QLatin1String("link");
        if (!ownNetwork_)
            QSKIP("needs network and mount namespaces of its own (root)");
        const privatenetwork::BoundFile hosts("127.0.0.1 localhost\n127.0.0.1 intranet.example\n",
                                              "/etc/hosts");
        QVERIFY(hosts.isBound());
        TestMarket market;
        TestMarket localService;
        QVERIFY(market.listen());
        QVERIFY(localService.listen());
        canned::serveAll(market);
        const QByteArray local =
            "http://intranet.example:" + QByteArray::number(localService.port());
        market.setPage(canned::OwnHost, Root,
                       canned::gbkPage(canned::ownPage().replace(
                           QStringLiteral("http://shopa.taobao.com/"),
                           asLink ? QString::fromLatin1(local + '/') : RedirectAddress)));
        MarketPage row = pageOf({}, 302);
        row.headers = {{"Location", local + '/'}};
        if (!asRedirect) {
            row = pageOf(canned::gbk(renderedShopPage()) + "<img src=\"" + local + "/x.gif\">");
            row.charset = "gbk";
        }
        market.setPage(QStringLiteral("s.click.taobao.com"), QStringLiteral("/row"), row);
        PageTransfers transfers;
        Routing routing{market.port(), 0, {}, QStringLiteral("intranet.example")};
        transfers.setProxyFactory(std::make_unique<RowRoutes>(routing));
        ForwardingProxy forwarder(transfers);
        QVERIFY(forwarder.listen());
        QNetworkProxy::setApplicationProxy(forwarder.proxy());
        FakeWindow window;
        window.address = QStringLiteral("myshop");

        runRow(window, transfers, asRedirect || asLink ? Outcome::Marked : Outcome::Searched);
        if (QTest::currentTestFailed())
            return;

        if (asRedirect || asLink)
            checkMarked(window, asLink ? Place::FriendShop : Place::RedirectRow,
                        runtext::InvalidAddress);
        else
            checkSearched(window, Place::RedirectRow, Fault::ImageNeverAnswers);
        QCOMPARE(market.requestLog().contains(QStringLiteral("GET http://s.click.taobao.com/row")),
                 !asLink);
        QCOMPARE(localService.requestLog(), QStringList());
    }
};

ZEMBREL_BROWSER_TEST_MAIN_OWN_NETWORK(TestFaultMatrix)

#include "TestFaultMatrix.moc"
