#include "ShopPage.h"

#include "CreditBadge.h"
#include "PageSearch.h"
#include "RunTexts.h"

namespace shoppage {

using pagetext::find;

std::optional<QString> ratingLink(std::optional<QString> cut) {
    if (cut && cut->isEmpty())
        return std::nullopt;
    return cut;
}

std::optional<QString> ratingPageRate(const QString& ratingPage) {
    return pagetext::between(ratingPage, 1, {u"好评率：", u">"}, u"</em>").value;
}

std::optional<QString> creditLevel(const QString& page, qint32 start, QStringView badgeEnd) {
    if (start < 1)
        return std::nullopt;
    if (find(page, u"newrank/", start) == 0)
        return runtext::BelowOneHeart;
    const std::optional<QString> image =
        pagetext::between(page, start, {u"newrank/"}, badgeEnd).value;
    if (!image)
        return std::nullopt;
    return CreditBadgeText(*image);
}

ShopValues readLayoutA(const QString& page, qint32 anchor, const LayoutAClosers& closers) {
    ShopValues values;
    values.layout = Layout::A;
    const pagetext::Span member =
        pagetext::between(page, anchor, {HrefOpen, TagClose}, closers.link);
    values.member = member.value;
    values.credit = creditLevel(page, member.end, closers.badge);
    const pagetext::Span rate = pagetext::between(page, anchor, {u"好评率：", u">"}, closers.item);
    values.rate = rate.value;
    const pagetext::Span created =
        pagetext::between(page, rate.end, {u"创店时间", u">"}, closers.item);
    values.created = created.value;
    values.backLinkStart = backLinkStartAfter(page, created.end);
    return values;
}

qint32 backLinkStartAfter(const QString& page, qint32 end) {
    const qint32 heading = find(page, u"友情链接", end);
    return heading > 0 ? heading : end;
}

std::optional<bool> linksBack(const QString& page, qint32 from, const QString& addressBoxText,
                              const QString& ownShopName) {
    if (from < 1)
        return std::nullopt;
    // An empty text would be "found" anywhere: it never counts, so the
    // verdict rests on the other search alone.
    const auto occurs = [&](const QString& text) {
        return !text.isEmpty() && find(page, text, from) > 0;
    };
    return occurs(addressBoxText) || occurs(ownShopName);
}

} // namespace shoppage
