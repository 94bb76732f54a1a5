#include "AnalysisRun.h"
#include "BrowserTestMain.h"
#include "CannedPages.h"
#include "FakeWindow.h"
#include "ForwardingProxy.h"
#include "MarketPages.h"
#include "PageRequest.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "PrivateNetwork.h"
#include "RenderWait.h"
#include "TestCertificates.h"
#include "TestMarket.h"
#include "WebPageRenderer.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTest>
#include <memory>

using namespace std::chrono_literals;
using testcerts::Certificate;

namespace {

// A public-looking address: the program refuses local ones. It exists only
// on the loopback of the test's own network namespace.
const QHostAddress MarketAddress(QStringLiteral("93.184.216.34"));
const QByteArray Hosts = "127.0.0.1 localhost\n"
                         "93.184.216.34 myshop.taobao.com shop-a.taobao.com shop-b.taobao.com "
                         "s.click.taobao.com\n";

const QString ShopAddress = QStringLiteral("https://shop-a.taobao.com/");
const QString RedirectAddress = QStringLiteral("https://s.click.taobao.com/row");
const QString ShopText = QStringLiteral("<p>店铺首页</p>");
const QString RenderedShop = QStringLiteral("<P>店铺首页</P>");

constexpr auto Timeout = 10s;

} // namespace

Q_DECLARE_METATYPE(Certificate)

// The marketplace over HTTPS on a public-looking address, with the test
// authority only in the system's store: plain fetches and the browser alike
// take the pages of a certificate that store trusts, and nothing from a
// server with a wrong name, an expired or self-signed certificate or one of
// an authority no store holds.
class TestHttps : public QObject {
    Q_OBJECT

public:
    // Whether the test runs in network and mount namespaces of its own.
    explicit TestHttps(bool ownNetwork)
        : ownNetwork_(ownNetwork) {}

private:
    bool ownNetwork_;
    std::unique_ptr<privatenetwork::BoundFile> hosts_;
    std::unique_ptr<privatenetwork::BoundFile> authorities_;
    // The browser's way out, fixed before its first page.
    PageTransfers browserTransfers_;
    ForwardingProxy forwarder_{browserTransfers_};

    // The page as the plain fetcher gets it, without a proxy.
    static PageResult fetch(const QString& address) {
        PageTransfers transfers;
        transfers.routes().setProxy(QNetworkProxy::NoProxy);
        PageRequest request(transfers, address, Timeout);
        QSignalSpy finished(&request, &PageRequest::finished);
        request.start();
        if (!finished.wait(int(std::chrono::milliseconds(Timeout).count()) + 5000))
            return {QStringLiteral("(no answer)"), PageProblem::None, {}};
        return request.result();
    }

private slots:
    void initTestCase() {
        if (!ownNetwork_)
            QSKIP("needs network and mount namespaces of its own (root)");
        QVERIFY(privatenetwork::addLoopbackAddress(MarketAddress));
        hosts_ = std::make_unique<privatenetwork::BoundFile>(Hosts, "/etc/hosts");
        QVERIFY(hosts_->isBound());
        authorities_ = std::make_unique<privatenetwork::BoundFile>(
            testcerts::authorityPem(), privatenetwork::CertificateBundle);
        QVERIFY2(authorities_->isBound(), privatenetwork::CertificateBundle);
        browserTransfers_.routes().setProxy(QNetworkProxy::NoProxy);
        QVERIFY(forwarder_.listen());
        routeBrowserThrough(QStringLiteral("http://127.0.0.1:%1").arg(forwarder_.proxy().port()));
    }

    void certificates_data() {
        QTest::addColumn<Certificate>("certificate");
        QTest::addColumn<bool>("trusted");
        QTest::newRow("authority in the system's store") << Certificate::Good << true;
        QTest::newRow("wrong name") << Certificate::WrongName << false;
        QTest::newRow("expired") << Certificate::Expired << false;
        QTest::newRow("self-signed") << Certificate::SelfSigned << false;
        QTest::newRow("unknown authority") << Certificate::UnknownAuthority << false;
    }

    void certificates() {
        QFETCH(Certificate, certificate);
        QFETCH(bool, trusted);
        TestMarket market;
        QVERIFY(market.listenTls(MarketAddress, 443, testcerts::serverConfiguration(certificate)));
        market.setPage(QStringLiteral("shop-a.taobao.com"), QStringLiteral("/"),
                       marketpages::html(ShopText.toUtf8()));
        market.setPage(QStringLiteral("s.click.taobao.com"), QStringLiteral("/row"),
                       marketpages::redirect(ShopAddress.toLatin1()));

        // A refused certificate is the row's own problem on both paths.
        const PageProblem refused = trusted ? PageProblem::None : PageProblem::BadCertificate;
        const PageResult fetched = fetch(ShopAddress);
        QCOMPARE(fetched.text, trusted ? ShopText : QString());
        QCOMPARE(fetched.problem, refused);

        WebPageRenderer renderer(Timeout);
        renderer.RenderPage(RedirectAddress);
        QVERIFY(waitUntilComplete(renderer, int(std::chrono::milliseconds(Timeout).count())));
        QCOMPARE(renderer.bodyInnerHtml().text, trusted ? RenderedShop : QString());
        QCOMPARE(renderer.bodyInnerHtml().problem, refused);

        // A refused certificate ends the handshake before any request.
        const QStringList received{QStringLiteral("GET http://shop-a.taobao.com/"),
                                   QStringLiteral("GET http://s.click.taobao.com/row"),
                                   QStringLiteral("GET http://shop-a.taobao.com/")};
        QCOMPARE(market.requestLog(), trusted ? received : QStringList());
    }

    // Addresses as pages write them are asked for as a browser asks: their
    // character references decoded, the grid keeping them as written; an
    // https click-redirect link goes to the browser as an http one does.
    void requestForms_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QStringList>("requests"); // the row's, as the marketplace received them

        const QString shop = QStringLiteral("GET http://shop-b.taobao.com");
        QTest::newRow("&amp; in a link")
            << "http://shop-b.taobao.com/?id=1&amp;spm=2" << QStringList{shop + "/?id=1&spm=2"};
        QTest::newRow("numeric reference")
            << "http://shop-b.taobao.com/?id=1&#38;spm=2" << QStringList{shop + "/?id=1&spm=2"};
        QTest::newRow("a query name that is no reference")
            << "http://shop-b.taobao.com/?id=1&copy=2" << QStringList{shop + "/?id=1&copy=2"};
        QTest::newRow("&amp; in a rating link")
            << "http://shop-b.taobao.com/rated"
            << QStringList{shop + "/rated", shop + "/rate.htm?a=1&b=2"};
        QTest::newRow("https click-redirect link with &amp;")
            << "https://s.click.taobao.com/t?e=1&amp;spm=2"
            << QStringList{"GET http://s.click.taobao.com/t?e=1&spm=2"};
    }

    void requestForms() {
        QFETCH(QString, link);
        QFETCH(QStringList, requests);
        TestMarket secure;
        TestMarket plain;
        QVERIFY(secure.listenTls(MarketAddress, 443,
                                 testcerts::serverConfiguration(Certificate::Good)));
        QVERIFY(plain.listen(MarketAddress, 80));
        const QString backLink = canned::linkLine(QStringLiteral("http://myshop.taobao.com"), "x");
        plain.setPage(QStringLiteral("myshop.taobao.com"), QStringLiteral("/"),
                      marketpages::html(
                          canned::ownShopPage("我的小店", canned::linkLine(link, "B")).toUtf8()));
        const MarketPage shopPage = marketpages::html(
            canned::layoutA("掌柜", "s_red_1.gif", "99%", "2010", backLink).toUtf8());
        for (const char* path : {"/?id=1&spm=2", "/?id=1&copy=2"})
            plain.setPage(QStringLiteral("shop-b.taobao.com"), QString::fromLatin1(path), shopPage);
        plain.setPage(QStringLiteral("shop-b.taobao.com"), QStringLiteral("/rated"),
                      marketpages::html(
                          canned::layoutB("掌柜", "", "2010",
                                          "http://shop-b.taobao.com/rate.htm?a=1&amp;b=2", backLink)
                              .toUtf8()));
        plain.setPage(QStringLiteral("shop-b.taobao.com"), QStringLiteral("/rate.htm?a=1&b=2"),
                      marketpages::html(canned::ratingPage("98%").toUtf8()));
        secure.setPage(QStringLiteral("s.click.taobao.com"), QStringLiteral("/t?e=1&spm=2"),
                       shopPage);

        FakeWindow window;
        window.address = QStringLiteral("myshop");
        PageTransfers transfers;
        transfers.routes().setProxy(QNetworkProxy::NoProxy);
        PrefetchingPageFetcher fetcher(transfers, Timeout, 1);
        WebPageRenderer renderer(Timeout);
        QCoro::waitFor(runAnalysis(window, fetcher, renderer));

        QCOMPARE(window.grid().cell(1, 2).text, link);
        QCOMPARE(window.grid().cell(1, 3).text, QStringLiteral("正常"));
        QCOMPARE(window.grid().cell(1, 8).text, QStringLiteral("√"));
        QCOMPARE(plain.requestLog().mid(1) + secure.requestLog(), requests);
    }

    // An https page that sends its visitor on to an http page: both paths
    // follow it, as a browser does.
    void httpsRedirectsToHttp() {
        TestMarket secure;
        TestMarket plain;
        QVERIFY(secure.listenTls(MarketAddress, 443,
                                 testcerts::serverConfiguration(Certificate::Good)));
        QVERIFY(plain.listen(MarketAddress, 80));
        secure.setPage(QStringLiteral("s.click.taobao.com"), QStringLiteral("/to-http"),
                       marketpages::redirect("http://shop-b.taobao.com/"));
        plain.setPage(QStringLiteral("shop-b.taobao.com"), QStringLiteral("/"),
                      marketpages::html(ShopText.toUtf8()));

        QCOMPARE(fetch(QStringLiteral("https://s.click.taobao.com/to-http")).text, ShopText);
        WebPageRenderer renderer(Timeout);
        renderer.RenderPage(QStringLiteral("https://s.click.taobao.com/to-http"));
        QVERIFY(waitUntilComplete(renderer, int(std::chrono::milliseconds(Timeout).count())));
        QCOMPARE(renderer.bodyInnerHtml().text, RenderedShop);
    }
};

ZEMBREL_BROWSER_TEST_MAIN_OWN_NETWORK(TestHttps)

#include "TestHttps.moc"
