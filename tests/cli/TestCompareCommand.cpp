#include "CannedMarket.h"
#include "CheckProcess.h"
#include "MarketServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString ShopA = QStringLiteral("shopa.taobao.com");
const QString ShopB = QStringLiteral("shopb.taobao.com");

// The canned marketplace; `changed`: shop A no longer links back and
// shop B has closed.
void serve(MarketServer& market, bool changed) {
    canned::serveAll(market);
    if (!changed)
        return;
    QString pageA = canned::shopPageA();
    pageA.replace(QStringLiteral("http://myshop.taobao.com\">我的小店"),
                  QStringLiteral("http://other.taobao.com\">别的店"));
    market.setPage(ShopA, QStringLiteral("/"), canned::gbkPage(pageA));
    market.setPage(ShopB, QStringLiteral("/"), canned::gbkPage(canned::shopNotFoundPage(), 404));
}

QStringList checkArguments(const MarketServer& market, const QStringList& options) {
    return QStringList{"--proxy", market.proxyUrl(), "--timeout", "2"} + options +
           QStringList{"myshop"};
}

// The changes in each format's output as "kind|name|address|before|now".
QStringList changesIn(const QString& format, const QByteArray& out) {
    QStringList changes;
    if (format == QLatin1String("json")) {
        for (const QJsonValue& change : QJsonDocument::fromJson(out)["changes"].toArray())
            changes.append(QStringList{change["kind"].toString(), change["name"].toString(),
                                       change["address"].toString(), change["before"].toString(),
                                       change["now"].toString()}
                               .join(u'|'));
        return changes;
    }
    const QStringList lines = QString::fromUtf8(out).split(u'\n');
    const QString section =
        format == QLatin1String("tsv") ? QString() : QStringLiteral("与上次相比");
    for (qsizetype line = lines.indexOf(section) + 1; line < lines.size(); ++line) {
        if (lines[line].isEmpty() || lines[line] == QStringLiteral("没有变化"))
            continue;
        changes.append(
            lines[line].split(QRegularExpression(QStringLiteral("\\t|  +| → "))).join(u'|'));
    }
    return changes;
}

} // namespace

// zembrel-check --compare against the test marketplace: a first check
// written as JSON, then a second one compared with it.
class TestCompareCommand : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void changesSinceThePreviousCheck_data();
    void changesSinceThePreviousCheck();
    void brokenPreviousFetchesNothing_data();
    void brokenPreviousFetchesNothing();

private:
    QTemporaryDir dir_;
    QString previousPath_;
    QByteArray previous_;
};

void TestCompareCommand::initTestCase() {
    MarketServer market;
    QVERIFY(market.listen());
    serve(market, false);
    const CheckProcess first = CheckProcess::run(checkArguments(market, {"--format", "json"}));
    QCOMPARE(first.exitCode, 0);
    previous_ = first.out;
    previousPath_ = dir_.filePath(QStringLiteral("previous.json"));
    QFile file(previousPath_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(previous_), previous_.size());
}

void TestCompareCommand::changesSinceThePreviousCheck_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("failOnDrop");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("json, drops fail") << "json" << true << true << 3;
    QTest::newRow("tsv, drops fail") << "tsv" << true << true << 3;
    QTest::newRow("table, drops reported") << "table" << true << false << 0;
    QTest::newRow("table, nothing changed") << "table" << false << true << 0;
}

void TestCompareCommand::changesSinceThePreviousCheck() {
    QFETCH(QString, format);
    QFETCH(bool, changed);
    QFETCH(bool, failOnDrop);
    QFETCH(int, exitCode);

    MarketServer market;
    QVERIFY(market.listen());
    serve(market, changed);
    QStringList options{"--format", format, "--compare", previousPath_};
    if (failOnDrop)
        options.append(QStringLiteral("--fail-on-drop"));
    const CheckProcess check = CheckProcess::run(checkArguments(market, options));

    QCOMPARE(check.exitCode, exitCode);
    const QStringList expected =
        changed ? QStringList{"不再链接你|甲店|http://shopa.taobao.com/|√|×",
                              "店铺已关闭|乙店|http://shopb.taobao.com/|正常|不存在"}
                : QStringList{};
    QCOMPARE(changesIn(format, check.out), expected);
    if (format == QLatin1String("table"))
        QCOMPARE(check.out.contains("没有变化"), !changed);
    if (format == QLatin1String("json"))
        QCOMPARE(check.rowTexts(3), canned::expectedRow(3));
    QFile file(previousPath_);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), previous_);
}

void TestCompareCommand::brokenPreviousFetchesNothing_data() {
    QTest::addColumn<QByteArray>("document"); // null: no file at all

    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not JSON") << QByteArray("{\"grid\":");
    QTest::newRow("JSON of another kind") << QByteArray("{\"grid\":{},\"messages\":[]}");
}

void TestCompareCommand::brokenPreviousFetchesNothing() {
    QFETCH(QByteArray, document);

    const QString path = dir_.filePath(QStringLiteral("broken.json"));
    QFile::remove(path);
    if (!document.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(document);
    }
    MarketServer market;
    QVERIFY(market.listen());
    serve(market, false);
    const CheckProcess check =
        CheckProcess::run(checkArguments(market, {"--compare", path, "--fail-on-drop"}));

    QCOMPARE(check.exitCode, 2);
    QVERIFY(check.out.isEmpty());
    QVERIFY2(check.err.contains(("zembrel-check: " + path + ": ").toUtf8()), check.err.constData());
    QCOMPARE(market.requestLog(), QStringList{});
}

QTEST_GUILESS_MAIN(TestCompareCommand)
#include "TestCompareCommand.moc"
