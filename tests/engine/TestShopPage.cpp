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
    void ratingAddress_data();
    void ratingAddress();
    void verdict_data();
    void verdict();
    void verdictFindsTheShopHoweverWritten_data();
    void verdictFindsTheShopHoweverWritten();
    void pageKind_data();
    void pageKind();
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

void TestShopPage::ratingAddress_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("address");

    QTest::newRow("plainest form") << "<a href=\"http://r/1.htm\">信用评价</a>"
                                   << "http://r/1.htm";
    QTest::newRow("one further attribute")
        << "<a href=\"http://r/1.htm\" target=\"_blank\">信用评价</a>"
        << "http://r/1.htm";
    QTest::newRow("two further attributes")
        << "<a href=\"http://r/1.htm\" title=\"t\" target=\"_blank\">信用评价</a>"
        << "http://r/1.htm";
    QTest::newRow("attributes before the address")
        << "<a class=\"x\" data-href=\"no\" href=\"http://r/1.htm\">信用评价</a>"
        << "http://r/1.htm";
    QTest::newRow("single quotes, label inside markup")
        << "<a\nhref='http://r/1.htm'><span>信用评价</span></a>"
        << "http://r/1.htm";
    QTest::newRow("character references kept as written")
        << "<a href=\"http://r/1.htm?a=1&amp;b=2\">信用评价</a>"
        << "http://r/1.htm?a=1&amp;b=2";
    QTest::newRow("label outside any link")
        << "<a href=\"http://other\" title=\"t\">x</a><span>信用评价</span>"
        << "-";
    QTest::newRow("link without an address") << "<a name=\"x\">信用评价</a>"
                                             << "-";
}

void TestShopPage::ratingAddress() {
    QFETCH(QString, link);
    QFETCH(QString, address);
    const QString page = "<div class=\"shop-intro hslice\"><abbr>x</abbr>" + link;
    QCOMPARE(shoppage::readShopPage(page).ratingAddress.value_or("-"), address);
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

// The seller's shop is found however it was typed and however the partner
// links it; a longer host that merely contains it is another shop.
void TestShopPage::verdictFindsTheShopHoweverWritten_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("linked");
    QTest::addColumn<bool>("found");

    const QStringList typedForms{"myshop.taobao.com", "https://myshop.taobao.com",
                                 "http://myshop.taobao.com/", "//myshop.taobao.com",
                                 "https://myshop.taobao.com/?spm=a1z10.1"};
    const QStringList linkedForms{"http://myshop.taobao.com",  "http://myshop.taobao.com/",
                                  "//myshop.taobao.com",       "https://myshop.taobao.com/",
                                  "http://MyShop.taobao.com/", "http://MYSHOP.TAOBAO.COM/?spm=2"};
    for (const QString& typed : typedForms) {
        for (const QString& linked : linkedForms)
            QTest::addRow("%s linked %s", qPrintable(typed), qPrintable(linked))
                << typed << linked << true;
    }
    for (const char* other : {"http://notmyshop.taobao.com/", "http://myshop.taobao.com.cn/",
                              "http://my-myshop.taobao.com", "myshop.taobao"})
        QTest::addRow("other shop %s", other) << "https://myshop.taobao.com/" << other << false;
    QTest::newRow("typed path must follow") << "myshop.taobao.com/shop/a.htm"
                                            << "http://myshop.taobao.com/shop/a.htm?x=1" << true;
    QTest::newRow("typed path missing") << "myshop.taobao.com/shop/a.htm"
                                        << "http://myshop.taobao.com/" << false;
    QTest::newRow("path compares with case") << "myshop.taobao.com/shop/a.htm"
                                             << "http://MYSHOP.taobao.com/SHOP/a.htm" << false;
    QTest::newRow("nothing typed but a scheme") << "https://"
                                                << "https://x.taobao.com" << false;
}

void TestShopPage::verdictFindsTheShopHoweverWritten() {
    QFETCH(QString, typed);
    QFETCH(QString, linked);
    QFETCH(bool, found);
    const QString page = "<h3>友情链接</h3><a href=\"" + linked + "\" target=\"_blank\">店</a>";
    QCOMPARE(shoppage::linksBack(page, 1, typed, "不在页面上").value(), found);
}

void TestShopPage::pageKind_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("direct");
    QTest::addColumn<QString>("rendered");

    using namespace canned;
    QTest::newRow("not-found text") << notFoundPage() << "not found"
                                    << "unreadable";
    QTest::newRow("site footer") << renderedNotFound() << "unreadable"
                                 << "not found";
    QTest::newRow("layout A") << layoutA("m", "", "1", "2", "") << "shop"
                              << "shop";
    QTest::newRow("layout B") << layoutB("m", "", "d", "r", "") << "shop"
                              << "shop";
    QTest::newRow("mall layout") << layoutC("m", "4.8", "") << "shop"
                                 << "unreadable";
    QTest::newRow("verification slider")
        << "<title>验证码拦截</title><div id=\"nc_1_wrapper\">请按住滑块，拖动到最右边</div>"
        << "unreadable"
        << "unreadable";
    QTest::newRow("login page") << "<TITLE>淘宝网 - 淘！我喜欢</TITLE><FORM id=\"login-form\">"
                                << "unreadable"
                                << "unreadable";
    QTest::newRow("access restricted page") << "<h1>访问受限</h1><p>请稍后再试</p>"
                                            << "unreadable"
                                            << "unreadable";
    QTest::newRow("filled only by a script")
        << "<div id=\"root\"></div><script src=\"/app.js\"></script>"
        << "unreadable"
        << "unreadable";
}

void TestShopPage::pageKind() {
    QFETCH(QString, page);
    QFETCH(QString, direct);
    QFETCH(QString, rendered);
    const auto name = [](shoppage::PageKind kind) {
        return kind == shoppage::PageKind::Shop       ? "shop"
               : kind == shoppage::PageKind::NotFound ? "not found"
                                                      : "unreadable";
    };
    QCOMPARE(name(shoppage::fetchedPageKind(page)), direct);
    QCOMPARE(name(shoppage::renderedPageKind(page)), rendered);
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
