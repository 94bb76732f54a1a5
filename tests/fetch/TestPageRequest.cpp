#include "CannedMarket.h"
#include "MarketFaults.h"
#include "PageRequest.h"
#include "PageTransfers.h"
#include "TestMarket.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(MarketPage)

namespace {

// One page, fetched as the run fetches it: started, then waited for.
QString fetch(PageTransfers& transfers, std::chrono::milliseconds timeout, const QString& url) {
    PageRequest request(transfers, url, timeout);
    QSignalSpy finished(&request, &PageRequest::finished);
    request.start();
    if (!request.isFinished())
        finished.wait(int(timeout.count()) + 30'000);
    return request.text();
}

} // namespace

// Fetches through the test marketplace acting as the HTTP proxy, so every
// host name below is served by it.
class TestPageRequest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void decoding_data();
    void decoding();
    void failures_data();
    void failures();
    void clientErrorWithBody();
    void redirects_data();
    void redirects();
    void addresses_data();
    void addresses();
    void deadlineEndsSilentServer();
    void cancelIsSilent_data();
    void cancelIsSilent();
    void directRequestByHostHeader();
    void noDirectConnectionToLocalName();

private:
    TestMarket market_;
    PageTransfers transfers_;
};

void TestPageRequest::initTestCase() {
    QVERIFY(market_.listen());
}

void TestPageRequest::init() {
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), market_.port()));
}

// Charset choice: header, else <meta>, else GBK; undecodable bytes are U+FFFD.
void TestPageRequest::decoding_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("charset");
    QTest::addColumn<QString>("expected");

    const QString shop = QStringLiteral("首页-我的小店 - 淘宝网");
    const QByteArray utf8 = shop.toUtf8();
    const QByteArray metaUtf8 = "<html><head><meta charset=\"utf-8\"></head>" + utf8;
    const QByteArray httpEquiv =
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">" + utf8;

    QTest::newRow("GBK without any declaration") << canned::gbk(shop) << QByteArray() << shop;
    QTest::newRow("UTF-8 named in the header") << utf8 << QByteArray("UTF-8") << shop;
    QTest::newRow("UTF-8 declared in meta charset")
        << metaUtf8 << QByteArray() << QString::fromUtf8(metaUtf8);
    QTest::newRow("UTF-8 declared in meta http-equiv")
        << httpEquiv << QByteArray() << QString::fromUtf8(httpEquiv);
    QTest::newRow("header wins over meta")
        << canned::gbk(QStringLiteral("<meta charset=\"utf-8\">店")) << QByteArray("gbk")
        << QStringLiteral("<meta charset=\"utf-8\">店");
    // U+4E7E is outside GB2312 but inside GBK: a page labelled gb2312 still shows it.
    QTest::newRow("gb2312 label read as GBK")
        << canned::gbk(QStringLiteral("乾")) << QByteArray("gb2312") << QStringLiteral("乾");
    QTest::newRow("unknown charset falls back to GBK")
        << canned::gbk(shop) << QByteArray("no-such-charset") << shop;
    QTest::newRow("invalid GBK pair")
        << QByteArray("a\x81\x20z") << QByteArray() << QStringLiteral("a\uFFFD z");
    QTest::newRow("lead byte cut off at the end")
        << QByteArray("ab\xb5") << QByteArray() << QStringLiteral("ab\uFFFD");
    QTest::newRow("UTF-8 sequence cut off at the end")
        << QByteArray("ab\xe5\xba") << QByteArray("utf-8")
        << QStringLiteral("ab\uFFFD\uFFFD"); // one per byte
}

void TestPageRequest::decoding() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, charset);
    QFETCH(QString, expected);

    MarketPage page;
    page.body = body;
    page.charset = charset;
    market_.setPage(QStringLiteral("decode.taobao.com"), QStringLiteral("/"), page);

    QCOMPARE(fetch(transfers_, 5s, QStringLiteral("decode.taobao.com")), expected);
}

// Every transport failure is empty text, and the page is asked for once.
void TestPageRequest::failures_data() {
    QTest::addColumn<MarketPage>("page");

    MarketPage closed;
    closed = withFault(closed, MarketFault::CloseWithoutAnswer);
    MarketPage cut;
    cut.body = canned::gbk(canned::ownPage());
    cut = withFault(cut, MarketFault::CutBodyShort);
    MarketPage emptyError;
    emptyError.status = 500;
    MarketPage emptyOk;
    MarketPage oversized;
    oversized.body = QByteArray(PageRequest::MaxPageBytes + 1, 'x');

    QTest::newRow("connection closed without an answer") << closed;
    QTest::newRow("body cut short") << cut;
    QTest::newRow("HTTP 500 with an empty body") << emptyError;
    // A server's or a proxy's error page says nothing of the shop.
    for (const int status : {500, 502, 503, 504})
        QTest::addRow("HTTP %d with a body", status)
            << canned::gbkPage(canned::shopPageA(), status);
    QTest::newRow("HTTP 200 with an empty body") << emptyOk;
    QTest::newRow("body over the size cap") << oversized;
}

void TestPageRequest::failures() {
    QFETCH(MarketPage, page);
    market_.setPage(QStringLiteral("broken.taobao.com"), QStringLiteral("/"), page);
    const qsizetype before = market_.requestLog().size();

    QCOMPARE(fetch(transfers_, 5s, QStringLiteral("broken.taobao.com")), QString());
    QCOMPARE(market_.requestLog().size(), before + 1);
}

// A client error's page is still a page: a shop that is gone answers so,
// and the engine searches it for its markers.
void TestPageRequest::clientErrorWithBody() {
    market_.setPage(QStringLiteral("gone.taobao.com"), QStringLiteral("/"),
                    canned::gbkPage(canned::shopNotFoundPage(), 404));
    QCOMPARE(fetch(transfers_, 5s, QStringLiteral("gone.taobao.com")), canned::shopNotFoundPage());
}

void TestPageRequest::redirects_data() {
    QTest::addColumn<int>("hops");
    QTest::addColumn<bool>("arrives");

    QTest::newRow("one") << 1 << true;
    QTest::newRow("ten, the most allowed") << 10 << true;
    QTest::newRow("eleven, one too many") << 11 << false;
}

// A chain of `hops` redirects /0 -> /1 -> ... -> /hops, which has the page.
void TestPageRequest::redirects() {
    QFETCH(int, hops);
    QFETCH(bool, arrives);

    const QString host = QStringLiteral("hop%1.taobao.com").arg(hops);
    for (int i = 0; i < hops; ++i) {
        MarketPage redirect;
        redirect.status = i % 2 == 0 ? 302 : 301;
        redirect.headers = {
            {"Location", QStringLiteral("http://%1/%2").arg(host).arg(i + 1).toLatin1()}};
        market_.setPage(host, QStringLiteral("/%1").arg(i), redirect);
    }
    market_.setPage(host, QStringLiteral("/%1").arg(hops), canned::gbkPage(QStringLiteral("到了")));

    QCOMPARE(fetch(transfers_, 5s, QStringLiteral("http://%1/0").arg(host)),
             arrives ? QStringLiteral("到了") : QString());
}

// What the engine passes: bare host names and scheme letters in any case are
// web addresses; other schemes and paths are never fetched.
void TestPageRequest::addresses_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("requested"); // empty: nothing may be requested

    QTest::newRow("bare host") << "myshop.taobao.com"
                               << "GET http://myshop.taobao.com/";
    QTest::newRow("host named like a scheme") << "ftp.taobao.com"
                                              << "GET http://ftp.taobao.com/";
    QTest::newRow("scheme in capitals") << "HTTP://MyShop.Taobao.com/list?a=1"
                                        << "GET http://myshop.taobao.com/list?a=1";
    QTest::newRow("host with path, no scheme") << "myshop.taobao.com/search.htm"
                                               << "GET http://myshop.taobao.com/search.htm";
    QTest::newRow("host with a port") << "myshop.taobao.com:8080/list"
                                      << "GET http://myshop.taobao.com/list";
    QTest::newRow("without a scheme, as pages write it") << "//myshop.taobao.com/list"
                                                         << "GET http://myshop.taobao.com/list";
    QTest::newRow("local path") << "/etc/passwd"
                                << "";
    QTest::newRow("file address") << "file:///etc/passwd"
                                  << "";
    QTest::newRow("ftp address") << "ftp://myshop.taobao.com/"
                                 << "";
    QTest::newRow("script address") << "javascript:alert(1)"
                                    << "";
    QTest::newRow("file address with one slash") << "file:/etc/passwd"
                                                 << "";
    QTest::newRow("script scheme alone") << "javascript:"
                                         << "";
    QTest::newRow("mail address") << "mailto:shop@myshop.taobao.com"
                                  << "";
    QTest::newRow("space inside the host") << "my shop.taobao.com"
                                           << "";
    for (const char* local : {"localhost", "shop.localhost", "127.0.0.1", "127.1", "2130706433",
                              "0x7f000001", "0177.0.0.1", "[::1]", "[::ffff:127.0.0.1]", "10.1.2.3",
                              "192.168.0.1", "169.254.169.254", "0.0.0.0"})
        QTest::addRow("local address %s", local) << QString::fromLatin1(local) << "";
}

void TestPageRequest::addresses() {
    QFETCH(QString, address);
    QFETCH(QString, requested);

    const qsizetype before = market_.requestLog().size();
    fetch(transfers_, 5s, address);
    const QStringList log = market_.requestLog().mid(before);
    QCOMPARE(log, requested.isEmpty() ? QStringList() : QStringList{requested});
}

void TestPageRequest::deadlineEndsSilentServer() {
    MarketPage silent;
    silent = withFault(silent, MarketFault::NeverAnswer);
    market_.setPage(QStringLiteral("silent.taobao.com"), QStringLiteral("/"), silent);

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(fetch(transfers_, 500ms, QStringLiteral("silent.taobao.com")), QString());
    QVERIFY2(clock.elapsed() >= 450 && clock.elapsed() < 5000,
             QByteArray::number(clock.elapsed()).constData());
}

// A cancelled request reports nothing, whether its transfer was under way
// or its address was never to be fetched.
void TestPageRequest::cancelIsSilent_data() {
    QTest::addColumn<QString>("address");
    QTest::newRow("transfer under way") << QStringLiteral("silent.taobao.com");
    QTest::newRow("address never fetched") << QStringLiteral("file:///etc/passwd");
}

void TestPageRequest::cancelIsSilent() {
    QFETCH(QString, address);
    MarketPage silent;
    silent = withFault(silent, MarketFault::NeverAnswer);
    market_.setPage(QStringLiteral("silent.taobao.com"), QStringLiteral("/"), silent);

    PageRequest request(transfers_, address, 5s);
    QSignalSpy finished(&request, &PageRequest::finished);
    request.start();
    request.cancel();
    QVERIFY(!finished.wait(300));
    QVERIFY(!request.isFinished());
}

// Without a proxy the server picks the page by the Host header.
void TestPageRequest::directRequestByHostHeader() {
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    market_.setPage(QStringLiteral("127.0.0.1"), QStringLiteral("/shop?id=7"),
                    canned::gbkPage(QStringLiteral("直连")));
    PageTransfers local([](const QHostAddress&) { return true; });
    QCOMPARE(fetch(local, 5s, QStringLiteral("127.0.0.1:%1/shop?id=7").arg(market_.port())),
             QStringLiteral("直连"));
}

// Without a proxy, a name that resolves to this machine is not connected to.
void TestPageRequest::noDirectConnectionToLocalName() {
    const QString name = QHostInfo::localHostName();
    const QList<QHostAddress> addresses = QHostInfo::fromName(name).addresses();
    if (addresses.isEmpty() || !addresses.first().isLoopback())
        QSKIP("this machine's name does not resolve to a loopback address");
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    market_.setPage(name, QStringLiteral("/"), canned::gbkPage(QStringLiteral("本机")));
    const qsizetype before = market_.requestLog().size();

    QCOMPARE(fetch(transfers_, 5s, QStringLiteral("%1:%2").arg(name).arg(market_.port())),
             QString());
    QCOMPARE(market_.requestLog().size(), before);
}

QTEST_GUILESS_MAIN(TestPageRequest)
#include "TestPageRequest.moc"
