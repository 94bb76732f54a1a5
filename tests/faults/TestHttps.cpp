#include "BrowserTestMain.h"
#include "ForwardingProxy.h"
#include "MarketPages.h"
#include "PageRequest.h"
#include "PageTransfers.h"
#include "PrivateNetwork.h"
#include "RenderWait.h"
#include "TestCertificates.h"
#include "TestMarket.h"
#include "WebPageRenderer.h"

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
                         "93.184.216.34 shop-a.taobao.com s.click.taobao.com\n";

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
    static QString fetch(const QString& address) {
        PageTransfers transfers;
        transfers.routes().setProxy(QNetworkProxy::NoProxy);
        PageRequest request(transfers, address, Timeout);
        QSignalSpy finished(&request, &PageRequest::finished);
        request.start();
        if (!finished.wait(int(std::chrono::milliseconds(Timeout).count()) + 5000))
            return QStringLiteral("(no answer)");
        return request.text();
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

        QCOMPARE(fetch(ShopAddress), trusted ? ShopText : QString());

        WebPageRenderer renderer(Timeout);
        renderer.RenderPage(RedirectAddress);
        QVERIFY(waitUntilComplete(renderer, int(std::chrono::milliseconds(Timeout).count())));
        QCOMPARE(renderer.bodyInnerHtml(), trusted ? RenderedShop : QString());

        // A refused certificate ends the handshake before any request.
        const QStringList received{QStringLiteral("GET http://shop-a.taobao.com/"),
                                   QStringLiteral("GET http://s.click.taobao.com/row"),
                                   QStringLiteral("GET http://shop-a.taobao.com/")};
        QCOMPARE(market.requestLog(), trusted ? received : QStringList());
    }
};

ZEMBREL_BROWSER_TEST_MAIN_OWN_NETWORK(TestHttps)

#include "TestHttps.moc"
