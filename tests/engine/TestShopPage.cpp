#include "CannedPages.h"
#include "ShopPage.h"

#include <QTest>

using shoppage::Layout;
using shoppage::ShopValues;

namespace {

const QString OwnAddress = QStringLiteral("own.taobao.com");
const QString OwnName = QStringLiteral("我的小店");
const QString BackLink = canned::linkLine("http://own.taobao.com", OwnName);
const QString OtherLink = canned::linkLine("http://other.taobao.com", "别家");

// Every value of a page, "-" for a value that is missing, in cell order;
// the last field is the verdict for the own shop.
QString describe(const QString& page, const ShopValues& v) {
    const auto text = [](const std::optional<QString>& value) { return value.value_or("-"); };
    const std::optional<bool> verdict =
        shoppage::linksBack(page, v.backLinkStart, OwnAddress, OwnName);
    const QString layout = v.layout == Layout::A ? "A" : v.layout == Layout::B ? "B" : "C";
    return QStringList{layout,
                       text(v.member),
                       text(v.credit),
                       text(v.rate),
                       text(v.created),
                       text(v.ratingAddress),
                       verdict ? (*verdict ? "√" : "×") : "-"}
        .join(" | ");
}

} // namespace

class TestShopPage : public QObject {
    Q_OBJECT

private slots:
    void directPage_data();
    void directPage();
    void renderedPage_data();
    void renderedPage();
    void ratingPage_data();
    void ratingPage();
    void verdict_data();
    void verdict();
    void notFound_data();
    void notFound();
    void followUp_data();
    void followUp();
};

void TestShopPage::directPage_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("expected");

    using namespace canned;
    QTest::newRow("A links back") << layoutA("掌柜甲", "s_red_3.gif", "99.5%", "2008-05-12",
                                             BackLink)
                                  << "A | 掌柜甲 | 3心 | 99.5% | 2008-05-12 | - | √";
    QTest::newRow("A does not link back")
        << layoutA("掌柜乙", "s_crown_2.gif", "100%", "2007-01-01", OtherLink)
        << "A | 掌柜乙 | 2金冠 | 100% | 2007-01-01 | - | ×";
    QTest::newRow("A without badge")
        << layoutA("m", "", "98%", "2010", BackLink) << "A | m | 1心以下 | 98% | 2010 | - | √";
    QTest::newRow("A unknown badge") << layoutA("m", "s_red_9.gif", "98%", "2010", BackLink)
                                     << "A | m | 未知 | 98% | 2010 | - | √";
    QTest::newRow("B reads its rating address")
        << layoutB("掌柜丙", "s_blue_4.gif", "2009-09-09", "http://rate.example.com/r1.htm",
                   BackLink)
        << "B | 掌柜丙 | 4钻 | - | 2009-09-09 | http://rate.example.com/r1.htm | √";
    QTest::newRow("C mall shop ignores badges")
        << layoutC("旗舰店", "4.8", OtherLink + "newrank/s_red_1.gif\" ")
        << "C | 旗舰店 | 4.8(商城) | N/A | N/A | - | ×";
    QTest::newRow("A wins over B")
        << "<div class=\"shop-intro hslice\"></div>" + layoutA("m", "", "1%", "d", "")
        << "A | m | 1心以下 | 1% | d | - | ×";
    QTest::newRow("B rating link with a later attribute")
        << "<div class=\"shop-intro hslice\"><a href=\"u\" class=\"hCard fn\">m</a>"
           "<li>创店时间：<b>d</li><a href=\"http://r\" title=\"t\" id=\"x\">信用评价</a>"
        << "B | m | 1心以下 | - | d | http://r\" title=\"t | ×";
    QTest::newRow("A missing member markers")
        << "<div class=\"shop-info-simple\"><li>好评率：<b>5%</li><li>创店时间<b>d</li>"
        << "A | - | - | 5% | d | - | ×";
    QTest::newRow("A missing rate markers")
        << "<div class=\"shop-info-simple\"><a href=\"u\">m</a><li>创店时间<b>d</li>友情链接"
        << "A | m | 1心以下 | - | - | - | -";
    QTest::newRow("A badge without end") << "<div class=\"shop-info-simple\"><a href=\"u\">m</a>"
                                            "newrank/s_red_1.gif"
                                         << "A | m | - | - | - | - | -";
    QTest::newRow("B without rating label")
        << "<div class=\"shop-intro hslice\"><a class=\"hCard fn\">m</a><li>创店时间：<b>d</li>"
        << "B | m | 1心以下 | - | d | - | ×";
    QTest::newRow("C without anything") << "<html>plain</html>"
                                        << "C | - | - | N/A | N/A | - | -";
    QTest::newRow("empty page") << ""
                                << "C | - | - | N/A | N/A | - | -";
}

void TestShopPage::directPage() {
    QFETCH(QString, page);
    QFETCH(QString, expected);
    QCOMPARE(describe(page, shoppage::readShopPage(page)), expected);
}

void TestShopPage::renderedPage_data() {
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");

    using namespace canned;
    QTest::newRow("A") << renderedA("掌柜甲", "s_cap_1.gif", "99%", "2008", OtherLink.toUpper())
                       << "A | 掌柜甲 | 1冠 | 99% | 2008 | - | ×";
    QTest::newRow("A links back by name")
        << renderedA("m", "s_blue_5.gif", "99%", "2008", "<LI>" + OwnName + "</LI>")
        << "A | m | 5钻 | 99% | 2008 | - | √";
    QTest::newRow("A without badge")
        << renderedA("m", "", "9%", "d", "") << "A | m | 1心以下 | 9% | d | - | ×";
    QTest::newRow("B: creation time ends with its list item")
        << renderedB("掌柜丙", "s_red_5.gif", "2009", "http://rate.example.com/r.htm",
                     "<LI>" + OwnAddress + "</LI>")
        << "B | 掌柜丙 | 5心 | - | 2009 | http://rate.example.com/r.htm | √";
    QTest::newRow("B: or at the next item when that comes first")
        << "<DIV class=\"shop-intro hslice\"><A href=\"m\">m</A><UL><LI>创店时间：<B>2006-06-06"
           "<LI>x</LI></B></LI></UL>"
        << "B | m | 1心以下 | - | 2006-06-06 | - | ×";
    QTest::newRow("B: rating link is the first after the label")
        << "<DIV class=\"shop-intro hslice\"><A href=\"m\">m</A><A href=\"before\" x=\"1\">x</A>"
           "信用评价<A href=\"after\" target=\"_blank\">r</A>"
        << "B | m | 1心以下 | - | - | after | -";
    QTest::newRow("both anchors is A")
        << "<I class=\"shop-intro hslice\"></I>" + renderedA("m", "", "1", "2", "")
        << "A | m | 1心以下 | 1 | 2 | - | ×";
    QTest::newRow("lower-case markup matches nothing")
        << layoutA("m", "s_red_1.gif", "1", "2", BackLink) << "A | - | - | - | - | - | -";
    QTest::newRow("neither anchor") << "<P>nothing</P>"
                                    << "B | - | - | - | - | - | -";
}

void TestShopPage::renderedPage() {
    QFETCH(QString, body);
    QFETCH(QString, expected);
    QCOMPARE(describe(body, shoppage::readRenderedShopPage(body)), expected);
}

void TestShopPage::ratingPage_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("rate");

    QTest::newRow("rate") << canned::ratingPage("98.70%") << "98.70%";
    QTest::newRow("no label") << "<em>1%</em>"
                              << "-";
    QTest::newRow("no end") << "好评率：<em>1%"
                            << "-";
}

void TestShopPage::ratingPage() {
    QFETCH(QString, page);
    QFETCH(QString, rate);
    QCOMPARE(shoppage::ratingPageRate(page).value_or("-"), rate);
}

void TestShopPage::verdict_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("verdict");

    const QString above = "own.taobao.com 我的小店 <div class=\"shop-info-simple\">"
                          "<li>好评率：<b>1</li><li>创店时间<b>2</li>";
    QTest::newRow("mention only above the heading")
        << above + "<h3>友情链接</h3><a href=\"x\">x</a>" << OwnAddress << OwnName << "×";
    QTest::newRow("no heading: search from the creation time's end")
        << above + "<a href=\"http://own.taobao.com\">" << OwnAddress << OwnName << "√";
    QTest::newRow("address found, name not")
        << above + "友情链接 own.taobao.com" << OwnAddress << OwnName << "√";
    QTest::newRow("name found, address not")
        << above + "友情链接 我的小店" << OwnAddress << OwnName << "√";
    QTest::newRow("address in another case")
        << above + "友情链接 OWN.taobao.com" << OwnAddress << OwnName << "×";
    QTest::newRow("empty own name: the address decides, found")
        << above + "友情链接 own.taobao.com" << OwnAddress << ""
        << "√";
    QTest::newRow("empty own name: the address decides, not found")
        << above + "友情链接" << OwnAddress << ""
        << "×";
    QTest::newRow("empty address box: the name decides") << above + "友情链接"
                                                         << "" << OwnName << "×";
    QTest::newRow("both empty") << above + "友情链接 own.taobao.com 我的小店"
                                << ""
                                << ""
                                << "×";
}

void TestShopPage::verdict() {
    QFETCH(QString, page);
    QFETCH(QString, address);
    QFETCH(QString, name);
    QFETCH(QString, verdict);
    const ShopValues values = shoppage::readShopPage(page);
    const std::optional<bool> found =
        shoppage::linksBack(page, values.backLinkStart, address, name);
    QVERIFY(found.has_value());
    QCOMPARE(*found ? "√" : "×", verdict);
}

void TestShopPage::notFound_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("direct");
    QTest::addColumn<bool>("rendered");

    QTest::newRow("not-found text") << canned::notFoundPage() << true << false;
    QTest::newRow("site footer") << canned::renderedNotFound() << false << true;
    QTest::newRow("ordinary page") << canned::layoutA("m", "", "1", "2", "") << false << false;
}

void TestShopPage::notFound() {
    QFETCH(QString, page);
    QFETCH(bool, direct);
    QFETCH(bool, rendered);
    QCOMPARE(shoppage::isShopNotFoundPage(page), direct);
    QCOMPARE(shoppage::isRenderedShopNotFoundPage(page), rendered);
}

void TestShopPage::followUp_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("expected");

    using namespace canned;
    const QString layoutBPage = layoutB("m", "", "d", "http://rate.example.com/r1.htm", BackLink);
    QTest::newRow("B names its rating page") << layoutBPage << "http://rate.example.com/r1.htm";
    QTest::newRow("B with an empty link") << layoutB("m", "", "d", "", BackLink) << "-";
    QTest::newRow("A leads nowhere") << layoutA("m", "", "1%", "d", BackLink) << "-";
    QTest::newRow("not-found page") << notFoundPage() + layoutBPage << "-";
    QTest::newRow("failed fetch") << ""
                                  << "-";
}

void TestShopPage::followUp() {
    QFETCH(QString, page);
    QFETCH(QString, expected);
    QCOMPARE(shoppage::followUpAddress(shoppage::readFetchedShopPage(page)).value_or("-"),
             expected);
}

QTEST_APPLESS_MAIN(TestShopPage)
#include "TestShopPage.moc"
