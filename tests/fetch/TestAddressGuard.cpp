#include "AddressGuard.h"

#include <QTest>
#include <QUrl>

// Which hosts count as this machine or its network, in the spellings
// resolvers and URL parsers accept.
class TestAddressGuard : public QObject {
    Q_OBJECT

private slots:
    void hosts_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("local");

        const std::pair<const char*, bool> rows[] = {
            {"http://shop.taobao.com/", false},
            {"http://localhost/", true},
            {"http://LOCALHOST./", true},
            {"http://admin.localhost:8080/", true},
            {"http://localhost.taobao.com/", false},
            {"http://127.0.0.1/", true},
            {"http://127.8.9.10/", true},
            {"http://127.1/", true},
            {"http://2130706433/", true},
            {"http://0x7f000001/", true},
            {"http://0x7f.1/", true},
            {"http://0177.0.0.1/", true},
            {"http://017700000001/", true},
            {"http://１２７.０.０.１/", true},
            {"http://0/", true},
            {"http://0.0.0.0/", true},
            {"http://10.0.0.1/", true},
            {"http://100.64.0.1/", true},
            {"http://100.128.0.1/", false},
            {"http://172.16.0.1/", true},
            {"http://172.31.255.255/", true},
            {"http://172.32.0.1/", false},
            {"http://192.168.1.1:8080/", true},
            {"http://169.254.169.254/", true},
            {"http://224.0.0.1/", true},
            {"http://255.255.255.255/", true},
            {"http://8.8.8.8/", false},
            {"http://1.2.3.4.5/", false}, // a name, not an address
            {"http://0x100000000/", false},
            {"http://[::1]/", true},
            {"http://[::]/", true},
            {"http://[::ffff:127.0.0.1]/", true},
            {"http://[::ffff:7f00:1]/", true},
            {"http://[::ffff:192.168.0.1]/", true},
            {"http://[::ffff:8.8.8.8]/", false},
            {"http://[::127.0.0.1]/", true},
            {"http://[fc00::1]/", true},
            {"http://[fd12:3456::1]/", true},
            {"http://[fe80::1]/", true},
            {"http://[ff02::1]/", true},
            {"http://[2400:cb00::1]/", false},
            // IPv6 forms that carry an IPv4 address: NAT64, 6to4, Teredo.
            {"http://[64:ff9b::7f00:1]/", true},
            {"http://[64:ff9b::c0a8:101]/", true},
            {"http://[64:ff9b::808:808]/", false},
            {"http://[64:ff9b:1::808:808]/", true},
            {"http://[2002:c0a8:101::1]/", true},
            {"http://[2002:7f00:1::]/", true},
            {"http://[2002:808:808::1]/", false},
            {"http://[2001:0:4136:e378:8000:63bf:80ff:fffe]/", true}, // client 127.0.0.1
            {"http://[2001:0:c0a8:101:8000:63bf:f7f7:f7f7]/", true},  // server 192.168.1.1
            {"http://[2001:0:4136:e378:8000:63bf:f7f7:f7f7]/", false},
            {"data:text/html,<p>", false},
        };
        for (const auto& [url, local] : rows)
            QTest::addRow("%s", url) << QString::fromUtf8(url) << local;
    }

    void hosts() {
        QFETCH(QString, url);
        QFETCH(bool, local);
        QCOMPARE(isLocalAddress(QUrl(url)), local);
    }
};

QTEST_GUILESS_MAIN(TestAddressGuard)
#include "TestAddressGuard.moc"
