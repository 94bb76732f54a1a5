// The page-text searches and every extraction step on arbitrary page text
// and positions. The positions and the marker choice come from the end of
// the input, the page text (UTF-8) from the rest, so that whole test pages
// make good seeds.
#include "FuzzCheck.h"
#include "OwnShopPage.h"
#include "PageInvariants.h"
#include "PageSearch.h"
#include "ShopPage.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <algorithm>
#include <array>

namespace {

// The markers the engine searches for, so that searches often succeed.
constexpr std::array<QStringView, 17> Markers{
    u"href=\"",
    u"\">",
    u"\" ",
    u"</a>",
    u"</A>",
    u"<ul>",
    u"</ul>",
    u"友情链接",
    u"首页-",
    u"- 淘宝网",
    u"newrank/",
    u"好评率：",
    u"创店时间",
    u"</li>",
    u"<LI>",
    u"</LI>",
    u"shop-info-simple",
};

// First occurrence at or after `from`, counted the slow way.
qint32 slowFind(QStringView text, QStringView marker, qint32 from) {
    if (from < 1 || from > text.size() + 1 || (marker.isEmpty() && from > text.size()))
        return 0;
    for (qsizetype i = from - 1; i + marker.size() <= text.size(); ++i) {
        if (text.sliced(i, marker.size()) == marker)
            return qint32(i + 1);
    }
    return 0;
}

// Last occurrence lying wholly within the first `upTo` characters.
qint32 slowFindBack(QStringView text, QStringView marker, qint32 upTo) {
    const qsizetype limit = std::min<qsizetype>(std::max(upTo, 0), text.size());
    for (qsizetype i = limit - marker.size(); i >= 0; --i) {
        if (text.sliced(i, marker.size()) == marker)
            return qint32(i + 1);
    }
    return 0;
}

void checkSearches(QStringView text, QStringView marker, qint32 from, qint32 to) {
    const qint32 found = pagetext::find(text, marker, from);
    FUZZ_CHECK(found == slowFind(text, marker, from));
    FUZZ_CHECK(found == 0 || (found >= from && found + marker.size() - 1 <= text.size()));

    const qint32 back = pagetext::findBack(text, marker, to);
    // An empty marker has no agreed last place; only its range is checked.
    FUZZ_CHECK(marker.isEmpty() || back == slowFindBack(text, marker, to));
    FUZZ_CHECK(back >= 0 && back <= std::max<qsizetype>(0, std::min<qsizetype>(to, text.size())));

    const std::optional<QString> piece = pagetext::cut(text, from, to);
    FUZZ_CHECK(piece.has_value() == (from >= 1 && to >= from));
    if (piece) {
        FUZZ_CHECK(piece->size() <= text.size() && piece->size() <= qsizetype(to) - from);
        FUZZ_CHECK(*piece == text.mid(from - 1, qsizetype(to) - from));
    }

    const pagetext::Span span = pagetext::between(text, from, {marker, u">"}, u"<");
    FUZZ_CHECK(span.end >= 0 && span.end <= text.size());
    if (span.value) {
        FUZZ_CHECK(span.end > 0 && text.sliced(span.end - 1).startsWith(u'<'));
        FUZZ_CHECK(fuzzcheck::isPieceOf(*span.value, text.toString()));
    }
}

void checkOwnShopPage(const QString& page) {
    const QString name = ownshop::shopName(page);
    FUZZ_CHECK(fuzzcheck::isPieceOf(name, page));
    FUZZ_CHECK(!name.startsWith(u' ') && !name.endsWith(u' '));
    const std::optional<QString> block = ownshop::friendLinkBlock(page);
    if (block) {
        FUZZ_CHECK(fuzzcheck::isPieceOf(*block, page));
        FUZZ_CHECK(!block->contains(u"</ul>"));
        FUZZ_CHECK(page.contains(u"友情链接"));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const qint32 from = input.ConsumeIntegralInRange<qint32>(-2, 5000);
    const qint32 to = input.ConsumeIntegralInRange<qint32>(-2, 5000);
    const qint32 extent = input.ConsumeIntegralInRange<qint32>(0, 40);
    const size_t markerChoice = input.ConsumeIntegral<uint8_t>();
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const QString page = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));

    // A marker from the engine's list, or a piece of the page itself.
    const QString marker = markerChoice < Markers.size() ? Markers[markerChoice].toString()
                                                         : page.mid(from - 1, extent);
    checkSearches(page, marker, from, to);
    checkOwnShopPage(page);

    pageinvariants::checkShopValues(page, shoppage::readShopPage(page));
    pageinvariants::checkShopValues(page, shoppage::readRenderedShopPage(page));
    FUZZ_CHECK(fuzzcheck::isPieceOf(shoppage::ratingPageRate(page), page));
    for (const QStringView badgeEnd : {shoppage::QuoteSpace, shoppage::TagClose}) {
        const std::optional<QString> credit = shoppage::creditLevel(page, from, badgeEnd);
        FUZZ_CHECK(!credit || from >= 1);
        FUZZ_CHECK(!credit || pageinvariants::isCreditLevelText(*credit));
    }
    const qint32 start = shoppage::backLinkStartAfter(page, from);
    FUZZ_CHECK(start == from || (start >= from && page.sliced(start - 1).startsWith(u"友情链接")));
    pageinvariants::checkLinksBack(page, from, to, extent);
    return 0;
}
