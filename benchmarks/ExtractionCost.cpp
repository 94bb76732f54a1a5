// The cost of reading a large friend shop page: every step the run applies
// to a directly fetched page (the not-found test, the layout's values and
// the back-link verdict), against one full QString::indexOf scan of the same
// page for a marker it does not hold.

#include "CannedPages.h"
#include "ShopPage.h"

#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr qsizetype PageChars = 300 * 1000;
constexpr int Rounds = 15;
constexpr int RepeatsPerRound = 20;

const QString AddressBox = QStringLiteral("myshop.taobao.com");
const QString OwnShopName = QStringLiteral("我的小店");
const QString NotFoundMarker = QStringLiteral("没有找到相应的店铺信息");

// Item listings, as a shop page is mostly made of, without any marker.
QString filler(qsizetype chars) {
    const QString item = QStringLiteral(
        "<div class=\"item\"><span class=\"title\">2024新款纯棉宽松短袖T恤 男女同款</span>"
        "<em class=\"price\">¥128.00</em><span class=\"sold\">月销 356 笔</span></div>\n");
    QString text;
    text.reserve(chars + item.size());
    while (text.size() < chars)
        text += item;
    return text;
}

// A page of the layout grown to PageChars: listings before the shop's
// details and between them and the friend links, which do not link back.
QString largePage(const QString& page) {
    const qsizetype linksAt = page.indexOf(QStringLiteral("<div><h3>友情链接"));
    const qsizetype bodyAt = page.indexOf(QStringLiteral("<body>")) + 6;
    const qsizetype room = PageChars - page.size();
    return page.left(bodyAt) + filler(room / 10) + page.mid(bodyAt, linksAt - bodyAt) +
           filler(room - room / 10) + page.mid(linksAt);
}

// Median nanoseconds of one call.
double medianNs(const std::function<void()>& work) {
    std::vector<double> rounds;
    for (int round = 0; round < Rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < RepeatsPerRound; ++i)
            work();
        const std::chrono::duration<double, std::nano> took =
            std::chrono::steady_clock::now() - start;
        rounds.push_back(took.count() / RepeatsPerRound);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

volatile qsizetype sink = 0;

} // namespace

int main() {
    const QString others =
        canned::linkLine(QStringLiteral("http://other.taobao.com/"), QStringLiteral("别的店"));
    const struct {
        const char* name;
        QString page;
    } layouts[] = {
        {"A", largePage(canned::layoutA(QStringLiteral("卖家"), QStringLiteral("s_red_3.gif"),
                                        QStringLiteral("99.50%"), QStringLiteral("2008-05-01"),
                                        others))},
        {"B", largePage(canned::layoutB(QStringLiteral("卖家"), QStringLiteral("s_blue_2.gif"),
                                        QStringLiteral("2009-06-02"),
                                        QStringLiteral("http://rate.taobao.com/r.htm"), others))},
        {"C", largePage(canned::layoutC(QStringLiteral("旗舰店"), QStringLiteral("4.8"), others))},
    };

    std::printf("layout  chars    extraction µs  indexOf µs  ratio\n");
    for (const auto& layout : layouts) {
        const QString& page = layout.page;
        const double extraction = medianNs([&] {
            if (shoppage::isShopNotFoundPage(page))
                return;
            const shoppage::ShopValues values = shoppage::readShopPage(page);
            const std::optional<bool> back =
                shoppage::linksBack(page, values.backLinkStart, AddressBox, OwnShopName);
            sink = sink + values.member.value_or(QString()).size() + (back && *back);
        });
        const double scan = medianNs([&] { sink = sink + page.indexOf(NotFoundMarker); });
        std::printf("%-6s  %-7lld  %13.1f  %10.1f  %5.2f\n", layout.name, qint64(page.size()),
                    extraction / 1000, scan / 1000, extraction / scan);
    }
    return 0;
}
