#include "ShopPage.h"

#include "PageSearch.h"
#include "RunTexts.h"

namespace shoppage {

using pagetext::between;
using pagetext::find;

namespace {

// The rating page link: the last href before the last quote-space that
// stands before the "信用评价" label.
std::optional<QString> ratingAddressBefore(const QString& page) {
    const qint32 label = find(page, u"信用评价", 1);
    const qint32 end = pagetext::findBack(page, QuoteSpace, label);
    const qint32 href = pagetext::findBack(page, HrefOpen, end);
    if (href == 0)
        return std::nullopt;
    return ratingLink(pagetext::cut(page, href + qint32(HrefOpen.size()), end));
}

ShopValues readLayoutB(const QString& page, qint32 anchor) {
    ShopValues values;
    values.layout = Layout::B;
    const pagetext::Span member = between(page, anchor, {MemberOpen}, u"</a>");
    values.member = member.value;
    values.credit = creditLevel(page, member.end, QuoteSpace);
    const pagetext::Span created = between(page, anchor, {u"创店时间：", u">"}, u"</li>");
    values.created = created.value;
    values.backLinkStart = backLinkStartAfter(page, created.end);
    values.ratingAddress = ratingAddressBefore(page);
    return values;
}

ShopValues readLayoutC(const QString& page) {
    ShopValues values;
    values.layout = Layout::C;
    const qint32 anchor = find(page, u"mall-shop", 1);
    const pagetext::Span member = between(page, anchor, {HrefOpen, TagClose}, u"</a>");
    values.member = member.value;
    const pagetext::Span level = between(page, member.end, {MallLevelOpen}, u"</a>");
    if (level.value)
        values.credit = *level.value + runtext::MallLevelSuffix;
    values.rate = runtext::NotApplicable;
    values.created = runtext::NotApplicable;
    values.backLinkStart = backLinkStartAfter(page, level.end);
    return values;
}

} // namespace

bool isShopNotFoundPage(const QString& page) {
    return find(page, u"没有找到相应的店铺信息", 1) > 0;
}

ShopValues readShopPage(const QString& page) {
    if (const qint32 anchor = find(page, u"shop-info-simple", 1); anchor > 0)
        return readLayoutA(page, anchor, FetchedLayoutA);
    if (const qint32 anchor = find(page, u"shop-intro hslice", 1); anchor > 0)
        return readLayoutB(page, anchor);
    return readLayoutC(page);
}

std::optional<ShopValues> readFetchedShopPage(const QString& page) {
    if (isShopNotFoundPage(page))
        return std::nullopt;
    return readShopPage(page);
}

std::optional<QString> followUpAddress(const std::optional<ShopValues>& values) {
    if (!values || values->layout != Layout::B)
        return std::nullopt;
    return values->ratingAddress;
}

} // namespace shoppage
