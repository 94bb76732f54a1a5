#include "MixedMarket.h"

#include "CannedMarket.h"
#include "CannedPages.h"

namespace mixedmarket {

namespace {

const QString LinksBack =
    canned::linkLine(QStringLiteral("http://myshop.taobao.com/"), QStringLiteral("我的小店"));
const QString LinksElsewhere =
    canned::linkLine(QStringLiteral("http://other.taobao.com/"), QStringLiteral("别的店"));

int kind(int row) {
    return row % 6;
}

QString ratingAddress(int row) {
    return QStringLiteral("http://") + RatingHost + ratingPath(row);
}

} // namespace

QString shopHost(int row) {
    const QString domain = kind(row) == 3 ? QStringLiteral("tmall") : QStringLiteral("taobao");
    return QStringLiteral("shop%1.%2.com").arg(row, 2, 10, QLatin1Char('0')).arg(domain);
}

QString shopAddress(int row) {
    return QStringLiteral("http://") + shopHost(row) + u'/';
}

QString redirectAddress(int row) {
    return QStringLiteral("http://s.click.taobao.com/t_%1").arg(row);
}

bool hasRatingPage(int row) {
    return kind(row) == 2 || kind(row) == 0;
}

QString ratingPath(int row) {
    return QStringLiteral("/user-rate-%1.htm").arg(row);
}

QString ownPage(const Options& options) {
    QString links;
    for (int row = 1; row <= options.rows; ++row) {
        QString address = shopAddress(row);
        if (row == options.emptyAddressRow)
            address.clear();
        else if (options.redirectRows.contains(row))
            address = redirectAddress(row);
        links += canned::linkLine(address, QStringLiteral("店%1").arg(row));
    }
    return canned::ownShopPage(QStringLiteral("我的小店"), links);
}

QString shopPage(int row, int edition) {
    const QString member = QStringLiteral("掌柜%1版%2").arg(row).arg(edition);
    switch (kind(row)) {
    case 1:
        return canned::layoutA(member, QStringLiteral("s_red_3.gif"), QStringLiteral("99.50%"),
                               QStringLiteral("2008-05-01"), LinksBack);
    case 2:
        return canned::layoutB(member, QStringLiteral("s_blue_2.gif"), QStringLiteral("2009-06-02"),
                               ratingAddress(row), LinksBack);
    case 3:
        return canned::layoutC(member, QStringLiteral("4.8"), LinksElsewhere);
    case 4:
        return canned::layoutA(member, QString(), QStringLiteral("97.00%"),
                               QStringLiteral("2011-01-09"), LinksElsewhere);
    case 5:
        return canned::notFoundPage();
    default:
        return canned::layoutB(member, QStringLiteral("s_cap_1.gif"), QStringLiteral("2012-12-12"),
                               ratingAddress(row), LinksElsewhere);
    }
}

QString ratingPage(int row) {
    return canned::ratingPage(QStringLiteral("%1.00%").arg(90 + row % 10));
}

QString renderedRedirectPage() {
    return canned::renderedA(QStringLiteral("跳转掌柜"), QStringLiteral("s_red_1.gif"),
                             QStringLiteral("96.00%"), QStringLiteral("2010-03-03"), LinksBack);
}

MarketPage delayedPage(const QString& html, int row, const Options& options) {
    MarketPage page = canned::gbkPage(html);
    page.delayMs = options.delayMs + options.delayStepMs * (row % 3);
    return page;
}

void serve(MarketServer& market, const Options& options) {
    market.setPage(OwnAddress, QStringLiteral("/"), delayedPage(ownPage(options), 0, options));
    for (int row = 1; row <= options.rows; ++row) {
        market.setPage(shopHost(row), QStringLiteral("/"),
                       delayedPage(shopPage(row), row, options));
        MarketPage redirect = delayedPage({}, row, options);
        redirect.status = 302;
        redirect.headers = {{"Location", shopAddress(row).toLatin1()}};
        market.setPage(QStringLiteral("s.click.taobao.com"), QStringLiteral("/t_%1").arg(row),
                       redirect);
        if (hasRatingPage(row))
            market.setPage(RatingHost, ratingPath(row), delayedPage(ratingPage(row), row, options));
    }
}

} // namespace mixedmarket
