#include "ShopPage.h"

#include "CreditBadge.h"
#include "PageSearch.h"
#include "RunTexts.h"

#include <QRegularExpression>
#include <utility>

namespace shoppage {

using pagetext::find;

// A page title longer than this is cut in the reason it is shown in.
constexpr qsizetype MaxTitleInReason = 40;

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
    // An empty name would be "found" anywhere: it never counts, so the
    // verdict rests on the address alone.
    const bool nameFound = !ownShopName.isEmpty() && find(page, ownShopName, from) > 0;
    return nameFound || occursAsShopAddress(page, from, addressBoxText);
}

namespace {

bool isHostCharacter(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_';
}

// The shop's host and path as typed: without the scheme, the query, the
// fragment and the slashes at its end.
std::pair<QStringView, QStringView> typedHostAndPath(QStringView address) {
    for (const QStringView scheme : {u"http://", u"https://", u"//"}) {
        if (address.startsWith(scheme, Qt::CaseInsensitive)) {
            address = address.sliced(scheme.size());
            break;
        }
    }
    for (const QChar end : {u'?', u'#'}) {
        if (const qsizetype at = address.indexOf(end); at >= 0)
            address.truncate(at);
    }
    while (address.endsWith(u'/'))
        address.chop(1);
    const qsizetype slash = address.indexOf(u'/');
    return slash < 0 ? std::pair{address, QStringView()}
                     : std::pair{address.first(slash), address.sliced(slash)};
}

} // namespace

bool occursAsShopAddress(QStringView page, qint32 from, const QString& addressBoxText) {
    const auto [host, path] = typedHostAndPath(addressBoxText);
    if (host.isEmpty() || from < 1)
        return false;
    for (qsizetype at = page.indexOf(host, from - 1, Qt::CaseInsensitive); at >= 0;
         at = page.indexOf(host, at + 1, Qt::CaseInsensitive)) {
        const qsizetype end = at + host.size();
        const bool startsHost = at == 0 || !isHostCharacter(page[at - 1]);
        const bool endsHost = end == page.size() || !isHostCharacter(page[end]);
        if (startsHost && endsHost && page.sliced(end).startsWith(path))
            return true;
    }
    return false;
}

QString unreadableReason(const QString& page) {
    QString reason = QStringLiteral("页面上没有店铺信息，可能是安全验证、登录或访问受限的页面，"
                                    "或要由脚本填写的页面");
    static const QRegularExpression title(QStringLiteral("<title[^>]*>([^<]*)</title"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString shown = title.match(page).captured(1).simplified();
    if (!shown.isEmpty())
        reason += QStringLiteral("（页面标题：%1）").arg(shown.left(MaxTitleInReason));
    return reason;
}

} // namespace shoppage
