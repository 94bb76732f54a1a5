#include "ShopPage.h"

#include "PageSearch.h"
#include "RunTexts.h"

namespace shoppage {

using pagetext::between;
using pagetext::find;

namespace {

// The rating page link: the address in the start tag of the link that
// holds the "信用评价" label, whatever other attributes the tag has.
std::optional<QString> ratingAddressOf(const QString& page) {
    const qint32 label = find(page, u"信用评价", 1);
    qint32 tag = label;
    do
        tag = pagetext::findBack(page, u"<a", tag - 1);
    while (tag > 0 && !page.at(tag + 1).isSpace());
    const qint32 tagEnd = find(page, u">", tag);
    const qint32 linkEnd = find(page, u"</a>", tagEnd);
    if (tag == 0 || tagEnd == 0 || (linkEnd > 0 && linkEnd < label))
        return std::nullopt;
    const QStringView startTag = QStringView(page).sliced(tag - 1, tagEnd - tag);
    return ratingLink(pagetext::attributeValue(startTag, u"href"));
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
    values.ratingAddress = ratingAddressOf(page);
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

PageKind fetchedPageKind(const QString& page) {
    if (isShopNotFoundPage(page))
        return PageKind::NotFound;
    for (const QStringView marker : {u"shop-info-simple", u"shop-intro hslice", u"mall-shop"}) {
        if (find(page, marker, 1) > 0)
            return PageKind::Shop;
    }
    return PageKind::Unreadable;
}

ShopValues readShopPage(const QString& page) {
    if (const qint32 anchor = find(page, u"shop-info-simple", 1); anchor > 0)
        return readLayoutA(page, anchor, FetchedLayoutA);
    if (const qint32 anchor = find(page, u"shop-intro hslice", 1); anchor > 0)
        return readLayoutB(page, anchor);
    return readLayoutC(page);
}

ShopReading readFetchedShopPage(const QString& page) {
    const PageKind kind = fetchedPageKind(page);
    return {kind, kind == PageKind::Shop ? readShopPage(page) : ShopValues{}};
}

std::optional<QString> followUpAddress(const ShopReading& reading) {
    if (reading.kind != PageKind::Shop || reading.values.layout != Layout::B)
        return std::nullopt;
    return reading.values.ratingAddress;
}

} // namespace shoppage
