#include "BrowserTestMain.h"
#include "MarketFaults.h"
#include "MarketPages.h"
#include "RenderWait.h"
#include "RunNotice.h"
#include "TestMarket.h"
#include "WebPageRenderer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <algorithm>

using namespace marketpages;

namespace {

const QString Final = QStringLiteral("<P>店铺首页</P>");

// Long enough for anything that does happen; the waits end as soon as it has.
constexpr int EventLimitMs = 10000;

} // namespace

// The renderer against the test marketplace, which all its traffic reaches
// through the proxy: which document counts as final, and when.
class TestWebPageRenderer : public QObject {
    Q_OBJECT

private:
    TestMarket server_;
    WebPageRenderer renderer_;
    int redirectRows_ = 0;

    // Waits until the marketplace has received a request for `path` beyond
    // the `before` it had logged.
    bool requested(const QString& path, qsizetype before) {
        return QTest::qWaitFor(
            [&] {
                const QStringList log = server_.requestLog();
                return std::any_of(log.begin() + before, log.end(),
                                   [&](const QString& entry) { return entry.endsWith(path); });
            },
            EventLimitMs);
    }

    // Waits until the marketplace has answered or seen abandoned every
    // request it received.
    bool nothingInProgress() {
        return QTest::qWaitFor([&] { return server_.requestsInProgress() == 0; }, EventLimitMs);
    }

    QString render(const QString& url) {
        renderer_.RenderPage(url);
        if (!waitUntilComplete(renderer_))
            return QStringLiteral("(timed out)");
        return renderer_.bodyInnerHtml().text;
    }

private slots:
    void initTestCase() {
        QVERIFY(server_.listen());
        useAsProxy(server_);
        server_.setPage("shop.taobao.com", "/", html("<p>店铺首页</p>"));
        server_.setPage("other.taobao.com", "/", html("<p>另一家</p>"));
    }

    void followsRedirectsToFinalPage_data() {
        QTest::addColumn<MarketPage>("redirectPage");

        const QByteArray shop = "http://shop.taobao.com/";
        QTest::newRow("no redirect") << html("<p>店铺首页</p>");
        QTest::newRow("HTTP 302") << redirect(shop);
        QTest::newRow("HTTP 301 to a 302") << redirect("http://s.click.taobao.com/hop", 301);
        QTest::newRow("meta refresh 0 s") << metaRefresh(shop);
        QTest::newRow("meta refresh 1 s") << metaRefresh(shop, 1);
        QTest::newRow("inline location.replace") << scriptReplace(shop);
        QTest::newRow("script redirect on a timer") << timedScript(shop);
        QTest::newRow("redirect in the load handler")
            << html("<body onload=\"location.href = '" + shop + "'\"><p>正在跳转</p></body>");
        QTest::newRow("fragment change after a redirect") << scriptReplace(shop + "#top");
        QTest::newRow("fragment change by a timer")
            << html("<body onload=\"setTimeout(function () { location.hash = 'x'; }, 0)\">"
                    "<p>店铺首页</p></body>");
        QTest::newRow("meta refresh to a script redirect")
            << metaRefresh("http://s.click.taobao.com/script");
    }

    void followsRedirectsToFinalPage() {
        QFETCH(MarketPage, redirectPage);
        server_.setPage("s.click.taobao.com", "/hop", redirect("http://shop.taobao.com/"));
        server_.setPage("s.click.taobao.com", "/script", scriptReplace("http://shop.taobao.com/"));
        // The browser caches permanent redirects: every row has its own address.
        const QString path = QStringLiteral("/r%1").arg(++redirectRows_);
        server_.setPage("s.click.taobao.com", path, redirectPage);
        QCOMPARE(render("http://s.click.taobao.com" + path), Final);
        // The marketplace's hosts exist only behind the proxy.
        QVERIFY(server_.requestLog().contains("GET http://s.click.taobao.com" + path));
    }

    // A client error's page is read like any page; a server error, a
    // network error or a navigation nowhere fails the load (empty body).
    void errorAnswers_data() {
        QTest::addColumn<MarketPage>("redirectPage");
        QTest::addColumn<QString>("body");

        const auto withStatus = [](const QByteArray& body, int status) {
            MarketPage page = html(body);
            page.status = status;
            return page;
        };
        QTest::newRow("HTTP 404 with a body")
            << withStatus("<p>店铺已关闭</p>", 404) << "<P>店铺已关闭</P>";
        QTest::newRow("HTTP 410 after a redirect")
            << redirect("http://shop.taobao.com/gone") << "<P>店铺已关闭</P>";
        QTest::newRow("HTTP 404 without a body") << withStatus("", 404) << "";
        for (const int status : {500, 502, 503, 504})
            QTest::addRow("HTTP %d with a body", status)
                << withStatus("<p>服务器错误</p>", status) << "";
        QTest::newRow("connection closed without answer")
            << fault(MarketFault::CloseWithoutAnswer) << "";
        QTest::newRow("body cut short") << [] {
            MarketPage page = fault(MarketFault::CutBodyShort);
            page.body = "<p>店铺首页</p>";
            return page;
        }() << "";
        QTest::newRow("script redirect to an unknown scheme")
            << html("<p>正在跳转</p><script>location.href = 'taobao://shop'</script>") << "";
    }

    void errorAnswers() {
        QFETCH(MarketPage, redirectPage);
        QFETCH(QString, body);
        MarketPage gone = html("<p>店铺已关闭</p>");
        gone.status = 410;
        server_.setPage("shop.taobao.com", "/gone", gone);
        server_.setPage("s.click.taobao.com", "/bad", redirectPage);
        QCOMPARE(render("http://s.click.taobao.com/bad"), body);
    }

    // A page that refreshes itself after a long time is final as it is.
    void longMetaRefreshIsNotWaitedFor() {
        server_.setPage("s.click.taobao.com", "/slow-refresh",
                        metaRefresh("http://shop.taobao.com/", 60));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(render("http://s.click.taobao.com/slow-refresh"),
                 QStringLiteral("<P>正在跳转</P>"));
        QVERIFY(clock.elapsed() < 5000);
    }

    // The state and body are those of the latest address only: a load left
    // for it, stopped first or not, never completes, however late its answer
    // comes, and a load complete before it no longer counts.
    void onlyTheLatestLoadCounts_data() {
        QTest::addColumn<QString>("before");
        QTest::newRow("a load in progress") << "loading";
        QTest::newRow("a load stopped") << "stopped";
        QTest::newRow("a complete load") << "complete";
    }

    void onlyTheLatestLoadCounts() {
        QFETCH(QString, before);
        server_.setPage("s.click.taobao.com", "/left", held(html("<p>慢</p>")));
        server_.setPage("other.taobao.com", "/next", held(html("<p>另一家</p>")));
        server_.setHolding(true);
        const qsizetype asked = server_.requestLog().size();
        if (before == "complete") {
            QCOMPARE(render("http://shop.taobao.com/"), Final);
        } else {
            renderer_.RenderPage("http://s.click.taobao.com/left");
            QVERIFY(requested("/left", asked));
        }
        if (before == "stopped") {
            renderer_.stopLoading();
            QCOMPARE(renderer_.ReadyState(), 0);
        }
        QList<int> states;
        const QMetaObject::Connection recording =
            connect(&renderer_.readyNotice(), &RunNotice::raised,
                    [&] { states << renderer_.ReadyState(); });
        renderer_.RenderPage("http://other.taobao.com/next");
        QVERIFY(renderer_.ReadyState() != PageRenderer::ReadyStateComplete);
        QVERIFY(requested("/next", asked));
        server_.setHolding(false);
        QVERIFY(waitUntilComplete(renderer_));
        disconnect(recording);
        // Complete shows only with the new page's last notice.
        QCOMPARE(states.indexOf(PageRenderer::ReadyStateComplete), states.size() - 1);
        QCOMPARE(renderer_.bodyInnerHtml().text, QStringLiteral("<P>另一家</P>"));
        QVERIFY(nothingInProgress());
        QCOMPARE(renderer_.ReadyState(), PageRenderer::ReadyStateComplete);
    }

    // A page still loading at the deadline is stopped and counts as failed;
    // every change of state is announced.
    void deadlineEndsLoadAsFailure() {
        MarketPage never = fault(MarketFault::NeverAnswer);
        server_.setPage("js.taobao.com", "/never.js", never);
        server_.setPage(
            "s.click.taobao.com", "/script",
            html("<p>店铺首页</p><script src=\"http://js.taobao.com/never.js\"></script>"));
        WebPageRenderer renderer(std::chrono::milliseconds(500));
        QSignalSpy changed(&renderer.readyNotice(), &RunNotice::raised);
        renderer.RenderPage("http://s.click.taobao.com/script");
        QCOMPARE(changed.count(), 1);
        QVERIFY(changed.wait(5000));
        QCOMPARE(renderer.ReadyState(), PageRenderer::ReadyStateComplete);
        QCOMPARE(renderer.bodyInnerHtml().text, QString());
        renderer.stopLoading();
        QCOMPARE(renderer.ReadyState(), 0);
        QCOMPARE(changed.count(), 3);
    }

    // Pictures, media and fonts are never asked for, so none that never
    // answers holds the page up; scripts and style sheets still load.
    void loadsNoPicturesMediaOrFonts() {
        const MarketPage never = fault(MarketFault::NeverAnswer);
        for (const char* path :
             {"/a.gif", "/b.png", "/c.jpg", "/d.mp4", "/e.mp3", "/f.woff", "/favicon.ico"})
            server_.setPage("static.taobao.com", path, never);
        server_.setPage("static.taobao.com", "/s.css",
                        html("@font-face { font-family: f; src: url(/f.woff); }"
                             "p { font-family: f; background: url(/c.jpg); }"));
        server_.setPage("static.taobao.com", "/s.js",
                        html("document.getElementById('t').textContent = '脚本';"));
        const QByteArray page =
            "<link rel=\"stylesheet\" href=\"http://static.taobao.com/s.css\">"
            "<link rel=\"icon\" href=\"http://static.taobao.com/favicon.ico\">"
            "<p id=\"t\">x</p><img src=\"http://static.taobao.com/a.gif\">"
            "<picture><source srcset=\"http://static.taobao.com/b.png\"><img></picture>"
            "<video src=\"http://static.taobao.com/d.mp4\" autoplay></video>"
            "<audio src=\"http://static.taobao.com/e.mp3\" preload=\"auto\"></audio>"
            "<script src=\"http://static.taobao.com/s.js\"></script>";
        server_.setPage("shop.taobao.com", "/pictures", html(page));
        const qsizetype before = server_.requestLog().size();
        const QString body = render("http://shop.taobao.com/pictures");
        QVERIFY2(body.startsWith(QStringLiteral("<P id=\"t\">脚本</P>")), qPrintable(body));
        QStringList fetched = server_.requestLog().mid(before);
        fetched.sort();
        QCOMPARE(fetched, QStringList({"GET http://shop.taobao.com/pictures",
                                       "GET http://static.taobao.com/s.css",
                                       "GET http://static.taobao.com/s.js"}));
    }
};

ZEMBREL_BROWSER_TEST_MAIN(TestWebPageRenderer)
#include "TestWebPageRenderer.moc"
