#include "AnalysisRun.h"
#include "BrowserTestMain.h"
#include "CheckDocument.h"
#include "DemoMarketplace.h"
#include "HeadlessWindow.h"
#include "PageDecoding.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "ProxySetup.h"
#include "TestMarket.h"
#include "WebPageRenderer.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTest>

namespace {

// Pages asked for during the demo run, in this order, by the fetcher and by
// the browser following the click-redirect links.
const QStringList FetchedPages{
    QStringLiteral("GET http://zembrel-demo.taobao.com/"),
    QStringLiteral("GET http://xiaolu-wenju.taobao.com/"),
    QStringLiteral("GET http://qinghe-chashe.taobao.com/"),
    QStringLiteral("GET http://rate.taobao.com/user-rate-qinghe.htm"),
    QStringLiteral("GET http://shiguang-jiaju.tmall.com/"),
    QStringLiteral("GET http://beian-huwai.taobao.com/"),
    QStringLiteral("GET http://wanfeng-shipin.taobao.com/"),
    QStringLiteral("GET http://manman-shougong.taobao.com/"),
    QStringLiteral("GET http://s.click.taobao.com/t?e=yunduo"),
    QStringLiteral("GET http://yunduo-tongzhuang.taobao.com/"),
    QStringLiteral("GET http://s.click.taobao.com/t?e=shanye"),
    QStringLiteral("GET http://shanye-fengmi.taobao.com/"),
    QStringLiteral("GET http://rate.taobao.com/user-rate-shanye.htm"),
    QStringLiteral("GET http://s.click.taobao.com/t?e=yifeng"),
    QStringLiteral("GET http://yifeng-xiaopu.taobao.com/"),
};

const QString SlowShopRequest = QStringLiteral("GET http://manman-shougong.taobao.com/");
constexpr int SlowShopRow = 6;

QByteArray resource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing resource %s", qPrintable(path));
    return file.readAll();
}

QJsonObject jsonResource(const QString& path) {
    return QJsonDocument::fromJson(resource(path)).object();
}

// Each cell of a grid row as "text|color|bold".
QStringList rowCells(const QJsonObject& document, int row) {
    QStringList cells;
    const QJsonArray rows = document[QLatin1String("grid")][QLatin1String("cells")].toArray();
    for (const QJsonValue cell : rows.at(row).toArray()) {
        cells << QStringLiteral("%1|%2|%3")
                     .arg(cell[QLatin1String("text")].toString())
                     .arg(cell[QLatin1String("color")].toInteger())
                     .arg(cell[QLatin1String("bold")].toBool());
    }
    return cells;
}

// The document without the grid's cells, compact.
QByteArray stateWithoutCells(QJsonObject document) {
    QJsonObject grid = document[QLatin1String("grid")].toObject();
    grid.remove(QLatin1String("cells"));
    document[QLatin1String("grid")] = grid;
    return QJsonDocument(document).toJson(QJsonDocument::Compact);
}

} // namespace

class TestDemoMarketplace : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void gridRow_data();
    void gridRow();
    void windowState();
    void slowShopShowsChecking();
    void pagesRequestedInRowOrder();
    void pageServedAsListed_data();
    void pageServedAsListed();

private:
    TestMarket server_;
    QNetworkAccessManager network_;
    PageTransfers transfers_;
    HeadlessWindow window_;
    // One page at a time, like the fetcher, so that pages come in row order.
    WebPageRenderer renderer_{std::chrono::seconds(60), 0};
    QJsonObject actual_;
    QJsonObject expected_;
    QString slowRowStatus_;
};

// One demo run, as the headless check makes it: the demo shop's address
// typed into the box, Analyze pressed, every fetch through the demo
// marketplace, redirect rows through the embedded browser.
void TestDemoMarketplace::initTestCase() {
    QVERIFY(server_.listen());
    installDemoMarketplace(server_);
    QNetworkProxy::setApplicationProxy(*proxyFromUrl(server_.proxyUrl()));
    PrefetchingPageFetcher fetcher(transfers_, std::chrono::seconds(10), 1);
    connect(&server_, &TestMarket::requested, this, [this](const QString& entry) {
        if (entry == SlowShopRequest)
            slowRowStatus_ = window_.grid().cell(SlowShopRow, 3).text;
    });

    window_.setAddressText(DemoShopAddress);
    QCoro::waitFor(runAnalysis(window_, fetcher, renderer_));

    actual_ = QJsonDocument::fromJson(checkdocument::json(window_)).object();
    expected_ = jsonResource(QStringLiteral(":/demo-test/expected-grid.json"));
}

void TestDemoMarketplace::gridRow_data() {
    QTest::addColumn<int>("row");
    const int rows = expected_[QLatin1String("grid")][QLatin1String("rows")].toInt();
    for (int row = 0; row < rows; ++row)
        QTest::addRow("row %d", row) << row;
}

void TestDemoMarketplace::gridRow() {
    QFETCH(int, row);
    QCOMPARE(rowCells(actual_, row), rowCells(expected_, row));
}

void TestDemoMarketplace::windowState() {
    QCOMPARE(stateWithoutCells(actual_), stateWithoutCells(expected_));
}

void TestDemoMarketplace::slowShopShowsChecking() {
    QCOMPARE(slowRowStatus_, QStringLiteral("检测中..."));
}

void TestDemoMarketplace::pagesRequestedInRowOrder() {
    const QStringList log = server_.requestLog();
    qsizetype next = 0;
    for (const QString& entry : FetchedPages) {
        next = log.indexOf(entry, next);
        QVERIFY2(next >= 0, qPrintable(entry + QStringLiteral(" not requested in order")));
        ++next;
    }
}

// Every entry of the page table, fetched through the server without
// following redirects, answers with the listed status, Location, charset,
// delay and the stored file's bytes, and decodes without a broken character.
void TestDemoMarketplace::pageServedAsListed_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QJsonObject>("entry");
    const QJsonArray pages =
        jsonResource(QStringLiteral(":/demo/pages.json"))[QLatin1String("pages")].toArray();
    for (const QJsonValue page : pages) {
        const QString address = QStringLiteral("http://") + page[QLatin1String("host")].toString() +
                                page[QLatin1String("path")].toString();
        QTest::newRow(qPrintable(address)) << address << page.toObject();
    }
}

void TestDemoMarketplace::pageServedAsListed() {
    QFETCH(QString, address);
    QFETCH(QJsonObject, entry);

    QNetworkRequest request{QUrl(address)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QNetworkReply> reply(network_.get(request));
    QVERIFY(QTest::qWaitFor([&] { return reply->isFinished(); }, 10000));

    QVERIFY(clock.elapsed() >= entry[QLatin1String("delayMs")].toInt());
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
             entry[QLatin1String("status")].toInt(200));
    const QJsonArray headers = entry[QLatin1String("headers")].toArray();
    const QString location = headers.isEmpty() ? QString() : headers[0][1].toString();
    QCOMPARE(QString::fromLatin1(reply->rawHeader("Location")), location);

    const QString file = entry[QLatin1String("file")].toString();
    const QByteArray body = reply->readAll();
    QCOMPARE(body, file.isEmpty() ? QByteArray() : resource(QStringLiteral(":/demo/") + file));
    const QByteArray contentType = reply->rawHeader("Content-Type");
    QCOMPARE(pagedecoding::headerCharset(contentType),
             entry[QLatin1String("charset")].toString().toLatin1());
    QVERIFY(!pagedecoding::decodePage(body, contentType).contains(QChar::ReplacementCharacter));
}

ZEMBREL_BROWSER_TEST_MAIN(TestDemoMarketplace)
#include "TestDemoMarketplace.moc"
