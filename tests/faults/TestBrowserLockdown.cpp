#include "BrowserTestMain.h"
#include "LockedDownPage.h"
#include "MarketPages.h"
#include "RenderWait.h"
#include "TestMarket.h"
#include "WebPageRenderer.h"

#include <QDir>
#include <QFile>
#include <QNetworkProxy>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWindow>

using namespace marketpages;

namespace {

constexpr int LoadLimitMs = 10000;
constexpr int ResultLimitMs = 3000;

// The locked-down profile and page that the renderer uses, open to the test.
struct Browser {
    QWebEngineProfile* profile = createLockedDownProfile(nullptr);
    LockedDownPage* page = new LockedDownPage(profile, nullptr);

    Browser() = default;
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;
    ~Browser() {
        delete page; // before its profile
        delete profile;
    }

    bool load(const QString& url) {
        QSignalSpy finished(page, &QWebEnginePage::loadFinished);
        page->load(QUrl(url));
        return finished.wait(LoadLimitMs);
    }

    QVariant evaluate(const QString& script) {
        QVariant value;
        bool done = false;
        QEventLoop loop;
        page->runJavaScript(script, [&](const QVariant& result) {
            value = result;
            done = true;
            loop.quit();
        });
        if (!done)
            loop.exec();
        return value;
    }

    // The page's `window.result`, once its script has set it.
    QString result() {
        QVariant value;
        const auto isSet = [&] {
            value = evaluate(QStringLiteral("window.result"));
            return value.isValid();
        };
        return QTest::qWaitFor(isSet, ResultLimitMs) ? value.toString()
                                                     : QStringLiteral("(no result)");
    }
};

} // namespace

// The embedded browser against pages that try to get out of it: it opens
// no windows, downloads nothing, grants nothing, reads no local file and is
// never shown.
class TestBrowserLockdown : public QObject {
    Q_OBJECT

private:
    TestMarket server_;
    QTemporaryDir folder_;
    QString secretPath_;
    QByteArray secret_;
    int pages_ = 0;

    // Serves `body` at a new address of the marketplace.
    QString serve(const MarketPage& page, const QString& host = QStringLiteral("shop.taobao.com")) {
        const QString path = QStringLiteral("/page%1").arg(++pages_);
        server_.setPage(host, path, page);
        return QStringLiteral("http://") + host + path;
    }

    // Loads one more page in `browser`: whatever the page before set off
    // in the browser has had its turn once this has been fetched and shown.
    bool loadLaterPage(Browser& browser) { return browser.load(serve(html("<p>后来</p>"))); }

    bool requested(const QString& host) const {
        for (const QString& entry : server_.requestLog()) {
            if (entry.contains(host))
                return true;
        }
        return false;
    }

private slots:
    void initTestCase() {
        QVERIFY(server_.listen());
        useAsProxy(server_);
        QVERIFY(folder_.isValid());
        secretPath_ = folder_.filePath(QStringLiteral("secret.txt"));
        secret_ = "zembrel-secret-" + QByteArray::number(QRandomGenerator::global()->generate());
        QFile secret(secretPath_);
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write(secret_);
    }

    // Whatever a page did, no window of the browser's exists.
    void cleanup() { QCOMPARE(QGuiApplication::topLevelWindows(), QWindowList()); }

    void noWindowsOrDialogs_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("expected");

        QTest::newRow("window.open") << QByteArray("window.result = String(window.open("
                                                   "'http://opened.taobao.com/'));")
                                     << "null";
        QTest::newRow("link to a new window clicked by script")
            << QByteArray("const a = document.createElement('a');"
                          "a.href = 'http://opened.taobao.com/'; a.target = '_blank';"
                          "document.body.appendChild(a); a.click(); window.result = 'clicked';")
            << "clicked";
        QTest::newRow("form posted to a new window")
            << QByteArray("const f = document.createElement('form');"
                          "f.action = 'http://opened.taobao.com/'; f.target = '_blank';"
                          "document.body.appendChild(f); f.submit(); window.result = 'posted';")
            << "posted";
        QTest::newRow("alert, confirm and prompt")
            << QByteArray("alert('x'); window.result = confirm('y') + ' ' + prompt('z', 'w');")
            << "false null";
    }

    void noWindowsOrDialogs() {
        QFETCH(QByteArray, script);
        QFETCH(QString, expected);

        Browser browser;
        QVERIFY(browser.load(serve(html("<p>店</p><script>" + script + "</script>"))));
        QCOMPARE(browser.result(), expected);
        QVERIFY(loadLaterPage(browser)); // a window opening later would still be seen
        QVERIFY(!requested(QStringLiteral("opened.taobao.com")));
    }

    void noDownloads_data() {
        QTest::addColumn<QString>("how");

        QTest::newRow("answer as attachment") << "attachment";
        QTest::newRow("download link clicked by script") << "link";
    }

    void noDownloads() {
        QFETCH(QString, how);

        MarketPage file = html("MZ not really a program");
        file.contentType = "application/octet-stream";
        file.headers = {{"Content-Disposition", "attachment; filename=\"setup.exe\""}};
        const QString fileUrl = serve(file);

        QTemporaryDir downloads;
        Browser browser;
        browser.profile->setDownloadPath(downloads.path());
        QList<QWebEngineDownloadRequest::DownloadState> states;
        connect(browser.profile, &QWebEngineProfile::downloadRequested, this,
                [&states](QWebEngineDownloadRequest* download) { states << download->state(); });
        QSignalSpy asked(browser.profile, &QWebEngineProfile::downloadRequested);

        if (how == QLatin1String("attachment")) {
            browser.page->load(QUrl(fileUrl));
        } else {
            QVERIFY(browser.load(serve(html("<p>店</p>"))));
            browser.evaluate(QStringLiteral("const a = document.createElement('a');"
                                            "a.href = '%1'; a.download = 'setup.exe';"
                                            "document.body.appendChild(a); a.click();")
                                 .arg(fileUrl));
        }
        // A script's click without a user's gesture may be dropped before it
        // becomes a download request; when it does become one, it is cancelled.
        const bool requested = asked.wait(LoadLimitMs);
        if (how == QLatin1String("attachment"))
            QVERIFY(requested);
        QVERIFY(loadLaterPage(browser));
        if (requested)
            QCOMPARE(states, QList{QWebEngineDownloadRequest::DownloadCancelled});
        QCOMPARE(QDir(downloads.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // The page is served from the loopback address, which the browser counts
    // as a secure origin: there it asks for the permission instead of
    // refusing it outright.
    void noPermissions_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QStringList>("expected"); // the outcomes the page may see
        QTest::addColumn<bool>("asks");            // whether the browser asks the page's handler

        // Without a position source (Qt Positioning) the browser never asks
        // for this permission, and the page waits for ever.
        QTest::newRow("geolocation") << QByteArray("navigator.geolocation.getCurrentPosition("
                                                   "() => { window.result = 'granted'; },"
                                                   "(e) => { window.result = 'refused'; });")
                                     << QStringList{"refused", "(no result)"} << false;
        QTest::newRow("notifications") << QByteArray("Notification.requestPermission().then("
                                                     "(p) => { window.result = p; });")
                                       << QStringList{"denied"} << true;
        // Headless there is no camera either: the request fails before it is
        // asked.
        QTest::newRow("camera and microphone")
            << QByteArray("navigator.mediaDevices.getUserMedia({audio: true, video: true}).then("
                          "() => { window.result = 'granted'; },"
                          "(e) => { window.result = 'refused'; });")
            << QStringList{"refused"} << false;
    }

    void noPermissions() {
        QFETCH(QByteArray, script);
        QFETCH(QStringList, expected);
        QFETCH(bool, asks);

        const QString path = QStringLiteral("/permission%1").arg(++pages_);
        server_.setPage(QStringLiteral("127.0.0.1"), path,
                        html("<p>店</p><script>" + script + "</script>"));
        Browser browser;
        QSignalSpy asked(browser.page, &QWebEnginePage::featurePermissionRequested);
        QVERIFY(
            browser.load(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.port()).arg(path)));
        QVERIFY(browser.evaluate(QStringLiteral("window.isSecureContext")).toBool());
        const QString result = browser.result();
        QVERIFY2(expected.contains(result), qPrintable(result));
        QCOMPARE(!asked.isEmpty(), asks);
    }

    // WebRTC's UDP passes by every proxy, so a page's script may send none:
    // its STUN request to a service on this machine never arrives.
    void noWebRtcTraffic() {
        QUdpSocket service;
        service.setProxy(QNetworkProxy::NoProxy);
        QVERIFY(service.bind(QHostAddress::LocalHost));
        QSignalSpy reached(&service, &QUdpSocket::readyRead);
        const QByteArray script =
            "if (!window.RTCPeerConnection) { window.result = 'complete'; } else {"
            "const pc = new RTCPeerConnection({iceServers: [{urls: 'stun:127.0.0.1:" +
            QByteArray::number(service.localPort()) +
            "'}]});"
            "pc.onicegatheringstatechange = () => {"
            "  if (pc.iceGatheringState === 'complete') window.result = 'complete'; };"
            "pc.createDataChannel('x');"
            "pc.createOffer().then((offer) => pc.setLocalDescription(offer)); }";
        Browser browser;
        QVERIFY(browser.load(serve(html("<p>店</p><script>" + script + "</script>"))));
        const QString result = browser.result();
        QVERIFY(loadLaterPage(browser));
        QCOMPARE(reached.count(), 0);
        QCOMPARE(result, QStringLiteral("complete"));
    }

    // A remote page's scripts cannot read a local file.
    void localFileUnreadByScript_data() {
        QTest::addColumn<QByteArray>("script"); // FILE stands for the file's address

        QTest::newRow("fetch") << QByteArray(
            "fetch('FILE').then((r) => r.text()).then("
            "(t) => { window.result = t; }, () => { window.result = 'refused'; });");
        QTest::newRow("XMLHttpRequest") << QByteArray(
            "const x = new XMLHttpRequest();"
            "x.onload = () => { window.result = x.responseText; };"
            "x.onerror = () => { window.result = 'refused'; };"
            "try { x.open('GET', 'FILE'); x.send(); } catch (e) { window.result = 'refused'; }");
        QTest::newRow("frame") << QByteArray(
            "const f = document.createElement('iframe'); f.src = 'FILE';"
            "document.body.appendChild(f);"
            "setTimeout(() => { try { window.result = f.contentDocument.body.innerText; }"
            "catch (e) { window.result = 'refused'; } }, 500);");
    }

    void localFileUnreadByScript() {
        QFETCH(QByteArray, script);
        script.replace("FILE", QUrl::fromLocalFile(secretPath_).toEncoded());

        Browser browser;
        QVERIFY(browser.load(serve(html("<p>店</p><script>" + script + "</script>"))));
        const QString result = browser.result();
        QVERIFY2(!result.contains(QString::fromLatin1(secret_)), qPrintable(result));
        QVERIFY(result != QLatin1String("(no result)"));
        const QString body = browser.evaluate(QStringLiteral("document.body.innerHTML")).toString();
        QVERIFY(!body.contains(QString::fromLatin1(secret_)));
    }

    // A click-redirect that leads to a local file: the renderer never
    // shows its content.
    void localFileUnreadByNavigation_data() {
        QTest::addColumn<MarketPage>("redirectPage"); // FILE as above

        QTest::newRow("HTTP redirect") << redirect("FILE");
        QTest::newRow("meta refresh") << metaRefresh("FILE");
        QTest::newRow("script redirect") << scriptReplace("FILE");
        QTest::newRow("link clicked by script")
            << html("<a id=\"go\" href=\"FILE\">go</a><script>"
                    "document.getElementById('go').click();</script>");
    }

    void localFileUnreadByNavigation() {
        QFETCH(MarketPage, redirectPage);
        const QByteArray fileUrl = QUrl::fromLocalFile(secretPath_).toEncoded();
        redirectPage.body.replace("FILE", fileUrl);
        for (auto& header : redirectPage.headers)
            header.second.replace("FILE", fileUrl);

        WebPageRenderer renderer;
        renderer.RenderPage(serve(redirectPage, QStringLiteral("s.click.taobao.com")));
        QVERIFY(waitUntilComplete(renderer));
        QVERIFY2(!renderer.bodyInnerHtml().text.contains(QString::fromLatin1(secret_)),
                 qPrintable(renderer.bodyInnerHtml().text));
    }
};

ZEMBREL_BROWSER_TEST_MAIN(TestBrowserLockdown)
#include "TestBrowserLockdown.moc"
