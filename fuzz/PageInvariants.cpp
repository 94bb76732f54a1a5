#include "PageInvariants.h"

#include "CreditBadge.h"
#include "FuzzCheck.h"
#include "RunTexts.h"

namespace pageinvariants {

using fuzzcheck::isPieceOf;

bool isCreditLevelText(const QString& text) {
    if (text == runtext::BelowOneHeart || text == QStringLiteral("未知"))
        return true;
    for (const QStringView tier : {u"心", u"钻", u"冠", u"金冠"}) {
        for (int level = 1; level <= 5; ++level) {
            if (text == QString::number(level) + tier.toString())
                return true;
        }
    }
    return false;
}

void checkShopValues(const QString& page, const shoppage::ShopValues& values) {
    FUZZ_CHECK(isPieceOf(values.member, page));
    FUZZ_CHECK(isPieceOf(values.ratingAddress, page));
    FUZZ_CHECK(values.backLinkStart >= 0 && values.backLinkStart <= page.size() + 1);
    if (values.layout == shoppage::Layout::C) {
        FUZZ_CHECK(values.rate == runtext::NotApplicable);
        FUZZ_CHECK(values.created == runtext::NotApplicable);
        FUZZ_CHECK(!values.ratingAddress);
        if (values.credit) {
            FUZZ_CHECK(values.credit->endsWith(runtext::MallLevelSuffix));
            FUZZ_CHECK(isPieceOf(values.credit->chopped(runtext::MallLevelSuffix.size()), page));
        }
        return;
    }
    FUZZ_CHECK(isPieceOf(values.rate, page));
    FUZZ_CHECK(isPieceOf(values.created, page));
    FUZZ_CHECK(!values.credit || isCreditLevelText(*values.credit));
    if (values.layout == shoppage::Layout::B)
        FUZZ_CHECK(!values.rate);
    else
        FUZZ_CHECK(!values.ratingAddress);
}

void checkLinksBack(const QString& page, qint32 from, qint32 namePosition, qint32 nameLength) {
    const QString name = page.mid(qsizetype(namePosition) - 1, nameLength);
    const QString address = QStringLiteral("\x01never on a page\x01");
    const std::optional<bool> found = shoppage::linksBack(page, from, address, name);
    FUZZ_CHECK(found.has_value() == (from >= 1));
    if (from >= 1 && namePosition >= from && namePosition <= page.size() && nameLength > 0)
        FUZZ_CHECK(*found);
    // The address never occurs and an empty name is never found, so a
    // back-link means the name stands at or after the start.
    if (found && *found)
        FUZZ_CHECK(!name.isEmpty() && page.indexOf(name, from - 1) >= 0);
}

} // namespace pageinvariants
