#include "ShopPage.h"

#include "PageSearch.h"

// The browser writes tag names in upper case, so the rendered layouts close
// their values with "</A>", "</LI>" and "<LI>", and the badge name ends at the
// end of its start tag (the serialiser writes an image's address last).
namespace shoppage {

using pagetext::between;
using pagetext::find;

namespace {

// Rendered pages of shops that do not exist carry the site footer's licence.
constexpr QStringView SiteFooterMarker = u"增值电信业务经营许可证：浙B2-20080224";

// The creation time ends with its list item: at the item's end tag, or at
// the next item's start should that come first.
pagetext::Span creationTime(const QString& body, qint32 anchor) {
    const pagetext::Span toEnd = between(body, anchor, {u"创店时间：", u">"}, u"</LI>");
    const pagetext::Span toNext = between(body, anchor, {u"创店时间：", u">"}, u"<LI>");
    if (toEnd.end == 0)
        return toNext;
    return toNext.end > 0 && toNext.end < toEnd.end ? toNext : toEnd;
}

ShopValues readRenderedLayoutB(const QString& body) {
    ShopValues values;
    values.layout = Layout::B;
    const qint32 anchor = find(body, u"shop-intro hslice", 1);
    // Member name and credit level as in rendered layout A: the first link
    // after the anchor, then the badge after it.
    const pagetext::Span member = between(body, anchor, {HrefOpen, TagClose}, RenderedLayoutA.link);
    values.member = member.value;
    values.credit = creditLevel(body, member.end, RenderedLayoutA.badge);
    const pagetext::Span created = creationTime(body, anchor);
    values.created = created.value;
    values.backLinkStart = backLinkStartAfter(body, created.end);
    // The rating page link is the first link after its label; the
    // serialiser always quotes an address with double quotes.
    const qint32 label = find(body, u"信用评价", 1);
    const qint32 href = find(body, HrefOpen, label);
    const qint32 valueStart = href == 0 ? 0 : href + qint32(HrefOpen.size());
    values.ratingAddress =
        ratingLink(pagetext::cut(body, valueStart, find(body, u"\"", valueStart)));
    return values;
}

} // namespace

bool isRenderedShopNotFoundPage(const QString& body) {
    return find(body, SiteFooterMarker, 1) > 0;
}

PageKind renderedPageKind(const QString& body) {
    if (isRenderedShopNotFoundPage(body))
        return PageKind::NotFound;
    if (find(body, u"shop-info-simple", 1) > 0 || find(body, u"shop-intro hslice", 1) > 0)
        return PageKind::Shop;
    return PageKind::Unreadable;
}

ShopValues readRenderedShopPage(const QString& body) {
    if (const qint32 anchor = find(body, u"shop-info-simple", 1); anchor > 0)
        return readLayoutA(body, anchor, RenderedLayoutA);
    return readRenderedLayoutB(body);
}

ShopReading readRenderedPage(const QString& body) {
    const PageKind kind = renderedPageKind(body);
    return {kind, kind == PageKind::Shop ? readRenderedShopPage(body) : ShopValues{}};
}

} // namespace shoppage
