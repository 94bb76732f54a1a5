#include "CannedPages.h"

namespace canned {

namespace {

QString badgeImage(const QString& badge, bool rendered) {
    if (badge.isEmpty())
        return {};
    return rendered
               ? QStringLiteral("<IMG src=\"http://pics.example.com/newrank/%1\">").arg(badge)
               : QStringLiteral("<img src=\"http://pics.example.com/newrank/%1\" border=\"0\" />")
                     .arg(badge);
}

} // namespace

QString ownShopPage(const QString& name, const QString& links) {
    return QStringLiteral("<html><head><title>首页-%1 - 淘宝网</title></head><body>\n"
                          "<div class=\"box\"><h3>友情链接</h3>\n<ul>\n%2</ul></div>\n"
                          "</body></html>")
        .arg(name, links);
}

QString linkLine(const QString& address, const QString& name) {
    return QStringLiteral("<a href=\"%1\" target=\"_blank\">%2</a>\n").arg(address, name);
}

QString layoutA(const QString& member, const QString& badge, const QString& rate,
                const QString& created, const QString& friendLinks) {
    return QStringLiteral("<html><body><div class=\"shop-info-simple\">\n"
                          "<ul><li>掌柜：<a class=\"n\" href=\"http://member.example.com/u\">%1</a>"
                          "%2</li>\n<li><label>好评率：</label>%3</li>\n"
                          "<li><label>创店时间</label>%4</li></ul></div>\n"
                          "<div><h3>友情链接</h3><ul>%5</ul></div></body></html>")
        .arg(member, badgeImage(badge, false), rate, created, friendLinks);
}

QString layoutB(const QString& member, const QString& badge, const QString& created,
                const QString& ratingAddress, const QString& friendLinks) {
    return QStringLiteral("<html><body><div class=\"shop-intro hslice\">\n"
                          "<a href=\"http://member.example.com/u\" class=\"hCard fn\">%1</a>%2\n"
                          "<ul><li><label>创店时间：</label>%3</li>\n"
                          "<li><a href=\"%4\" target=\"_blank\">信用评价</a></li></ul></div>\n"
                          "<div><h3>友情链接</h3><ul>%5</ul></div></body></html>")
        .arg(member, badgeImage(badge, false), created, ratingAddress, friendLinks);
}

QString layoutC(const QString& member, const QString& level, const QString& friendLinks) {
    return QStringLiteral("<html><body><div class=\"mall-shop\">\n"
                          "<a class=\"n\" href=\"http://member.example.com/u\">%1</a>\n"
                          "<a href=\"#\"><span class=\"c-value-4d7\"></span>%2</a></div>\n"
                          "<div><h3>友情链接</h3><ul>%3</ul></div></body></html>")
        .arg(member, level, friendLinks);
}

QString ratingPage(const QString& rate) {
    return QStringLiteral("<html><body><div>好评率：<em>%1</em></div></body></html>").arg(rate);
}

QString notFoundPage() {
    return QStringLiteral("<html><body>没有找到相应的店铺信息</body></html>");
}

QString renderedA(const QString& member, const QString& badge, const QString& rate,
                  const QString& created, const QString& friendLinks) {
    return QStringLiteral("<DIV class=\"shop-info-simple\"><UL><LI>掌柜：<A class=\"n\" "
                          "href=\"http://member.example.com/u\">%1</A>%2</LI>"
                          "<LI><LABEL>好评率：</LABEL>%3</LI><LI><LABEL>创店时间</LABEL>%4</LI>"
                          "</UL></DIV><DIV><H3>友情链接</H3><UL>%5</UL></DIV>")
        .arg(member, badgeImage(badge, true), rate, created, friendLinks);
}

QString renderedB(const QString& member, const QString& badge, const QString& created,
                  const QString& ratingAddress, const QString& friendLinks) {
    return QStringLiteral(
               "<DIV class=\"shop-intro hslice\"><A href=\"http://member.example.com/u\" "
               "class=\"hCard fn\">%1</A>%2<UL><LI><LABEL>创店时间：</LABEL>%3</LI>"
               "<LI>信用评价：<A href=\"%4\" target=\"_blank\">查看</A></LI></UL></DIV>"
               "<DIV><H3>友情链接</H3><UL>%5</UL></DIV>")
        .arg(member, badgeImage(badge, true), created, ratingAddress, friendLinks);
}

QString renderedNotFound() {
    return QStringLiteral("<DIV>店铺不存在</DIV><DIV id=\"footer\">"
                          "增值电信业务经营许可证：浙B2-20080224</DIV>");
}

} // namespace canned
