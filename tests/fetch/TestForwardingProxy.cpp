#include "ForwardingProxy.h"
#include "PageTransfers.h"
#include "TestMarket.h"

#include <QNetworkProxyFactory>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <optional>

namespace {

// Every address through one proxy.
class OneProxy : public QNetworkProxyFactory {
public:
    explicit OneProxy(quint16 port)
        : port_(port) {}
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery&) override {
        return {QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port_)};
    }

private:
    quint16 port_;
};

// Sends the request to the proxy and reads until the proxy closes; nothing
// when it keeps the connection open.
std::optional<QByteArray> exchange(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    socket.setProxy(QNetworkProxy::NoProxy);
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write(request);
    if (!closed.wait(10'000))
        return std::nullopt;
    return socket.readAll();
}

} // namespace

// The browser's forwarding proxy against the test marketplace as the
// origin (selected by the Host header) or as the next proxy.
class TestForwardingProxy : public QObject {
    Q_OBJECT

private slots:
    void requests_data() {
        QTest::addColumn<bool>("localAllowed");  // else the program's own policy
        QTest::addColumn<bool>("throughProxy");  // the marketplace as the next proxy
        QTest::addColumn<QByteArray>("request"); // %1: the marketplace's port
        QTest::addColumn<QByteArray>("answer");  // how the answer starts
        QTest::addColumn<QStringList>("asked");  // the marketplace's log

        const QByteArray plain = "GET http://127.0.0.1:%1/a?b=1 HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n"
                                 "Proxy-Connection: keep-alive\r\n\r\n";
        const QByteArray tunnel =
            "CONNECT 127.0.0.1:%1 HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n\r\n"
            "GET /a?b=1 HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        const QByteArray named = "GET http://shop.taobao.com/a?b=1 HTTP/1.1\r\n"
                                 "Host: shop.taobao.com\r\n\r\n";
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        const QByteArray refused = "HTTP/1.1 502 Bad Gateway\r\n";
        const QStringList local{"GET http://127.0.0.1/a?b=1"};

        QTest::newRow("request passed on in origin form") << true << false << plain << ok << local;
        QTest::newRow("CONNECT opens a tunnel")
            << true << false << tunnel << "HTTP/1.1 200 Connection established\r\n\r\n" + ok
            << local;
        QTest::newRow("local address refused")
            << false << false << plain << refused << QStringList();
        QTest::newRow("tunnel to a local address refused")
            << false << false << tunnel << refused << QStringList();
        QTest::newRow("through the proxy, the proxy resolves names")
            << false << true << named << ok << QStringList{"GET http://shop.taobao.com/a?b=1"};
        QTest::newRow("through the proxy, a local address is still refused")
            << false << true << plain << refused << QStringList();
        QTest::newRow("not a proxy request")
            << true << false << QByteArray("GET /a?b=1 HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n\r\n")
            << refused << QStringList();
        QTest::newRow("not http") << true << false
                                  << QByteArray("GET ftp://127.0.0.1:%1/ HTTP/1.1\r\n\r\n")
                                  << refused << QStringList();
        QTest::newRow("head over its cap")
            << true << false << "GET http://127.0.0.1:%1/ HTTP/1.1\r\nX: " + QByteArray(70'000, 'x')
            << refused << QStringList();
        QTest::newRow("nothing listens")
            << true << false << QByteArray("CONNECT 127.0.0.1:1 HTTP/1.1\r\n\r\n") << refused
            << QStringList();
    }

    void requests() {
        QFETCH(bool, localAllowed);
        QFETCH(bool, throughProxy);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, asked);

        TestMarket market;
        QVERIFY(market.listen());
        MarketPage page;
        page.body = "shop";
        market.setPage(QStringLiteral("127.0.0.1"), QStringLiteral("/a?b=1"), page);
        market.setPage(QStringLiteral("shop.taobao.com"), QStringLiteral("/a?b=1"), page);
        PageTransfers transfers([localAllowed](const QHostAddress& address) {
            return localAllowed || isPublicAddress(address);
        });
        if (throughProxy)
            transfers.setProxyFactory(std::make_unique<OneProxy>(market.port()));
        ForwardingProxy forwarder(transfers);
        QVERIFY(forwarder.listen());

        const std::optional<QByteArray> answered =
            exchange(forwarder.proxy().port(),
                     QByteArray(request).replace("%1", QByteArray::number(market.port())));

        QVERIFY(answered);
        const QByteArray& got = *answered;
        QVERIFY2(got.startsWith(answer), got.left(200).constData());
        QVERIFY2(!got.contains("keep-alive"), got.constData());
        QCOMPARE(market.requestLog(), asked);
        QTRY_COMPARE(forwarder.connectionsOpen(), 0);
    }
};

QTEST_GUILESS_MAIN(TestForwardingProxy)
#include "TestForwardingProxy.moc"
