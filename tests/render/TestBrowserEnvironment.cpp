#include "BrowserEnvironment.h"

#include <QTest>

// The process set-up for the browser: flags the page needs are added once,
// flags already given are kept.
class TestBrowserEnvironment : public QObject {
    Q_OBJECT

private slots:
    void addsMissingFlags_data() {
        QTest::addColumn<QByteArray>("given");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray noUdp = "--force-webrtc-ip-handling-policy=disable_non_proxied_udp";
        QTest::newRow("none given") << QByteArray()
                                    << "--disable-background-timer-throttling "
                                       "--disable-renderer-backgrounding " +
                                           noUdp;
        QTest::newRow("others kept") << QByteArray("--proxy-server=x:1")
                                     << "--proxy-server=x:1 "
                                        "--disable-background-timer-throttling "
                                        "--disable-renderer-backgrounding " +
                                            noUdp;
        QTest::newRow("one already given") << QByteArray("--disable-renderer-backgrounding --foo")
                                           << "--disable-renderer-backgrounding --foo "
                                              "--disable-background-timer-throttling " +
                                                  noUdp;
        QTest::newRow("flag with a longer name is another flag")
            << QByteArray("--disable-renderer-backgrounding-x")
            << "--disable-renderer-backgrounding-x "
               "--disable-background-timer-throttling "
               "--disable-renderer-backgrounding " +
                   noUdp;
    }

    void addsMissingFlags() {
        QFETCH(QByteArray, given);
        QFETCH(QByteArray, expected);
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", given);
        prepareBrowserEnvironment();
        QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), expected);
        prepareBrowserEnvironment();
        QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), expected);
    }
};

QTEST_APPLESS_MAIN(TestBrowserEnvironment)
#include "TestBrowserEnvironment.moc"
