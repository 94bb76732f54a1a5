#include "OwnShopPage.h"

#include "MarketConstants.h"
#include "PageSearch.h"

namespace ownshop {

using pagetext::find;

QString trimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.sliced(first, last - first);
}

QString trimmedAddress(const QString& boxText) {
    return boxText.trimmed();
}

QString lowerCased(const QString& boxText) {
    return boxText.toLower();
}

QString withDomainSuffix(const QString& boxText) {
    if (boxText.contains(market::MallDomainSuffix) || boxText.contains(market::MarketDomainSuffix))
        return boxText;
    return boxText + market::MarketDomainSuffix;
}

QString normalisedAddress(const QString& boxText) {
    const QString typed = trimmedAddress(boxText);
    return typed.isEmpty() ? typed : withDomainSuffix(lowerCased(typed));
}

QString shopName(const QString& page) {
    std::optional<QString> name;
    if (const qint32 p = find(page, u"首页-", 1); p > 0) {
        qint32 q = find(page, u"- 淘宝网", p);
        if (q == 0)
            q = find(page, u"- 淘宝商城", p);
        name = pagetext::cut(page, p + 3, q);
    } else {
        name = pagetext::between(page, 1, {u"<title>"}, u"- - 淘宝网").value;
    }
    return name ? trimSpaces(*name) : QString();
}

std::optional<QString> friendLinkBlock(const QString& page) {
    const qint32 heading = find(page, u"友情链接", 1);
    return pagetext::between(page, heading, {u"<ul>"}, u"</ul>").value;
}

} // namespace ownshop
