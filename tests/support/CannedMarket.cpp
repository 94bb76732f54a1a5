#include "CannedMarket.h"

#include <QStringEncoder>

namespace canned {

QByteArray gbk(const QString& text) {
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

MarketPage gbkPage(const QString& html, int status) {
    MarketPage page;
    page.status = status;
    page.body = gbk(html);
    return page;
}

QString ownPage() {
    return QStringLiteral("<html><head><title>首页-我的小店 - 淘宝网</title></head><body>\n"
                          "<div class=\"links\"><h3>友情链接</h3><ul>\n"
                          "<a href=\"http://shopa.taobao.com/\" target=\"_blank\">甲店</a>\n"
                          "<a href=\"http://shopb.taobao.com/\" target=\"_blank\">乙店</a>\n"
                          "<a href=\"http://shopc.tmall.com/\" target=\"_blank\">丙店</a>\n"
                          "</ul></div></body></html>\n");
}

QString shopPageA() {
    return QStringLiteral(
        "<html><body><div class=\"shop-info-simple\">\n"
        "掌柜：<a href=\"http://member.taobao.com/a\">卖家甲</a>"
        "<img src=\"http://pics.taobao.com/newrank/s_red_3.gif\" alt=\"\">\n"
        "<ul><li>好评率：<span>99.50%</li>\n"
        "<li>创店时间<span>2008-05-01</li></ul></div>\n"
        "<div>友情链接<ul><li><a href=\"http://myshop.taobao.com\">我的小店</a></li></ul></div>\n"
        "</body></html>\n");
}

QString shopPageB() {
    return QStringLiteral(
        "<html><body><div class=\"shop-intro hslice\">\n"
        "<a class=\"hCard fn\">卖家乙</a>"
        "<img src=\"http://pics.taobao.com/newrank/s_blue_2.gif\" alt=\"\">\n"
        "<ul><li>创店时间：<span>2009-06-02</li></ul>\n"
        "<a href=\"http://rate.taobao.com/user-rate-b.htm\" target=\"_blank\">信用评价</a></div>\n"
        "<div>友情链接<ul><li><a href=\"http://x.taobao.com\">我的小店</a></li></ul></div>\n"
        "</body></html>\n");
}

QString shopPageC() {
    return QStringLiteral(
        "<html><body><div class=\"mall-shop\">\n"
        "<a href=\"http://member.tmall.com/c\">丙旗舰店</a>\n"
        "<a><span class=\"c-value-4d7\"></span>4.8</a></div>\n"
        "<div>友情链接<ul><li><a href=\"http://other.taobao.com\">别的店</a></li></ul></div>\n"
        "</body></html>\n");
}

QString ratingPageB() {
    return QStringLiteral("<html><body><p>好评率：<em>98.70%</em></p></body></html>\n");
}

QString shopNotFoundPage() {
    return QStringLiteral("<html><body>没有找到相应的店铺信息</body></html>\n");
}

void serveAll(MarketServer& market) {
    market.setPage(OwnHost, QStringLiteral("/"), gbkPage(ownPage()));
    market.setPage(QStringLiteral("shopa.taobao.com"), QStringLiteral("/"), gbkPage(shopPageA()));
    market.setPage(QStringLiteral("shopb.taobao.com"), QStringLiteral("/"), gbkPage(shopPageB()));
    market.setPage(QStringLiteral("shopc.tmall.com"), QStringLiteral("/"), gbkPage(shopPageC()));
    market.setPage(RatingHost, RatingPath, gbkPage(ratingPageB()));
}

QStringList expectedRow(int row) {
    switch (row) {
    case 1:
        return {"1",          "甲店", "http://shopa.taobao.com/", "正常", "卖家甲", "3心", "99.50%",
                "2008-05-01", "√"};
    case 2:
        return {"2",          "乙店", "http://shopb.taobao.com/", "正常", "卖家乙", "2钻", "98.70%",
                "2009-06-02", "√"};
    case 3:
        return {"3",   "丙店", "http://shopc.tmall.com/", "正常", "丙旗舰店", "4.8(商城)", "N/A",
                "N/A", "×"};
    default:
        return {};
    }
}

} // namespace canned
