#include "OwnShopPage.h"
#include "ShopPage.h"

#include <QTest>

class TestOwnShopPage : public QObject {
    Q_OBJECT

private slots:
    void addressBox_data();
    void addressBox();
    void shopName_data();
    void shopName();
    void friendLinkBlock_data();
    void friendLinkBlock();
};

void TestOwnShopPage::addressBox_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("normalised");

    QTest::newRow("only white space") << " \u3000\t"
                                      << "";
    QTest::newRow("bare name") << "myshop"
                               << "myshop.taobao.com";
    QTest::newRow("mixed case with spaces around") << " MyShop "
                                                   << "myshop.taobao.com";
    QTest::newRow("pasted with its line break") << "bigshop\r\n"
                                                << "bigshop.taobao.com";
    QTest::newRow("full-width spaces and a tab") << "\u3000\tBigShop\u3000"
                                                 << "bigshop.taobao.com";
    QTest::newRow("space inside kept") << "big shop"
                                       << "big shop.taobao.com";
    QTest::newRow("mall suffix in capitals") << "Shop.TMALL.COM"
                                             << "shop.tmall.com";
    QTest::newRow("market suffix followed by a path") << "shop.taobao.com/index.htm"
                                                      << "shop.taobao.com/index.htm";
    QTest::newRow("suffix already there") << "shop.taobao.com"
                                          << "shop.taobao.com";
    QTest::newRow("full address") << "HTTP://Shop.Taobao.com/"
                                  << "http://shop.taobao.com/";
    QTest::newRow("other domain") << "shop.example.com"
                                  << "shop.example.com.taobao.com";
}

void TestOwnShopPage::addressBox() {
    QFETCH(QString, typed);
    QFETCH(QString, normalised);
    const QString once = ownshop::normalisedAddress(typed);
    QCOMPARE(once, normalised);
    // A second run finds the suffix in the box and appends nothing.
    QCOMPARE(ownshop::normalisedAddress(once), normalised);
}

void TestOwnShopPage::shopName_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("name");

    QTest::newRow("home page form") << "<title>首页-My Shop - 淘宝网</title>"
                                    << "My Shop";
    QTest::newRow("mall end marker") << "<title>首页-Mall Shop - 淘宝商城</title>"
                                     << "Mall Shop";
    QTest::newRow("market end wins over earlier mall end") << "首页-A- 淘宝商城B - 淘宝网"
                                                           << "A- 淘宝商城B";
    QTest::newRow("title form") << "<title> Shop X - - 淘宝网</title>"
                                << "Shop X";
    QTest::newRow("empty between markers") << "<title>首页-- 淘宝网</title>"
                                           << "";
    QTest::newRow("only spaces trimmed") << "首页-\tTab \t - 淘宝网"
                                         << "\tTab \t";
    QTest::newRow("home marker without end") << "<title>首页-Shop</title>"
                                             << "";
    QTest::newRow("end inside home marker") << "首页- 淘宝网"
                                            << "";
    QTest::newRow("title without end") << "<title>Shop - 淘宝网</title>"
                                       << "";
    QTest::newRow("no title at all") << "<html>nothing</html>"
                                     << "";
}

void TestOwnShopPage::shopName() {
    QFETCH(QString, page);
    QFETCH(QString, name);
    QCOMPARE(ownshop::shopName(page), name);
    // Whatever the title gives, the name alone never makes a back-link: a
    // friend page mentioning neither the name nor the address does not link
    // back, one holding the address does.
    const QString address = QStringLiteral("own.taobao.com");
    const QString mentionsNeither = QStringLiteral("友情链接 别家小店 other.taobao.com");
    QCOMPARE(shoppage::linksBack(mentionsNeither, 1, address, name).value(), false);
    QCOMPARE(shoppage::linksBack(mentionsNeither + " " + address, 1, address, name).value(), true);
}

void TestOwnShopPage::friendLinkBlock_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("block");

    QTest::newRow("plain list") << "x<ul>no</ul>友情链接<div><ul>\n<a href=\"a\" >A</a>\n</ul>"
                                << true << "\n<a href=\"a\" >A</a>\n";
    QTest::newRow("nested list ends at its own end")
        << "友情链接<ul>1<ul>2</ul>3</ul>" << true << "1<ul>2";
    QTest::newRow("empty list") << "友情链接<ul></ul>" << true << "";
    QTest::newRow("no heading") << "<ul><li>x</li></ul>" << false << "";
    QTest::newRow("no list after heading") << "<ul>x</ul>友情链接" << false << "";
    QTest::newRow("list never closed") << "友情链接<ul>abc" << false << "";
}

void TestOwnShopPage::friendLinkBlock() {
    QFETCH(QString, page);
    QFETCH(bool, found);
    QFETCH(QString, block);
    const std::optional<QString> cut = ownshop::friendLinkBlock(page);
    QCOMPARE(cut.has_value(), found);
    if (found)
        QCOMPARE(*cut, block);
}

QTEST_APPLESS_MAIN(TestOwnShopPage)
#include "TestOwnShopPage.moc"
