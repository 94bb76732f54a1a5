#include "CreditBadge.h"

#include <array>

namespace {

struct Badge {
    const char* imageName;
    const char16_t* levelText;
};

// Four tiers of five levels: hearts, diamonds, crowns, golden crowns.
constexpr std::array<Badge, 20> Badges{{
    {"s_red_1.gif", u"1心"},     {"s_red_2.gif", u"2心"},     {"s_red_3.gif", u"3心"},
    {"s_red_4.gif", u"4心"},     {"s_red_5.gif", u"5心"},     {"s_blue_1.gif", u"1钻"},
    {"s_blue_2.gif", u"2钻"},    {"s_blue_3.gif", u"3钻"},    {"s_blue_4.gif", u"4钻"},
    {"s_blue_5.gif", u"5钻"},    {"s_cap_1.gif", u"1冠"},     {"s_cap_2.gif", u"2冠"},
    {"s_cap_3.gif", u"3冠"},     {"s_cap_4.gif", u"4冠"},     {"s_cap_5.gif", u"5冠"},
    {"s_crown_1.gif", u"1金冠"}, {"s_crown_2.gif", u"2金冠"}, {"s_crown_3.gif", u"3金冠"},
    {"s_crown_4.gif", u"4金冠"}, {"s_crown_5.gif", u"5金冠"},
}};

} // namespace

QString CreditBadgeText(const QString& imageName) {
    for (const Badge& badge : Badges) {
        if (imageName == QLatin1String(badge.imageName))
            return QString::fromUtf16(badge.levelText);
    }
    return QStringLiteral("未知");
}
