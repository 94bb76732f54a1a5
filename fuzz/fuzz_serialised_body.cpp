// Extraction from body markup as the embedded browser serialises it.
//
// The serialiser itself is script run inside the browser engine, far too
// slow to drive from libFuzzer. SerialisedMarkup writes markup by the same
// rules instead, and this target builds it from the input: a soup of
// elements, texts and comments drawn from the page markers, around an
// optional skeleton of rendered layout A or B whose fields come from the
// input. Because the serialiser escapes quotes in attributes and angle
// brackets in text, a field can never carry a marker that ends it, so
// extraction must give back each field exactly as it was escaped whenever
// the soup before it holds none of the markers that would be found first.
#include "CreditBadge.h"
#include "FuzzCheck.h"
#include "PageInvariants.h"
#include "RunTexts.h"
#include "SerialisedMarkup.h"
#include "ShopPage.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>

namespace {

constexpr std::array<const char16_t*, 12> Tags{u"div",   u"ul", u"li", u"a",  u"img",    u"span",
                                               u"label", u"h3", u"br", u"em", u"script", u"p"};
constexpr std::array<const char16_t*, 5> AttributeNames{u"class", u"href", u"src", u"target",
                                                        u"id"};
constexpr std::array<const char16_t*, 14> Pieces{u"shop-info-simple",
                                                 u"shop-intro hslice",
                                                 u"好评率：",
                                                 u"创店时间",
                                                 u"创店时间：",
                                                 u"信用评价",
                                                 u"友情链接",
                                                 u"http://pics.example.com/newrank/s_red_1.gif",
                                                 u"\" ",
                                                 u"\">",
                                                 u"增值电信业务经营许可证：浙B2-20080224",
                                                 u"掌柜：",
                                                 u"&",
                                                 u"</A>"};

QString takeText(FuzzedDataProvider& input) {
    if (input.ConsumeBool())
        return QString::fromUtf16(
            Pieces[input.ConsumeIntegralInRange<size_t>(0, Pieces.size() - 1)]);
    return QString::fromStdString(input.ConsumeRandomLengthString(24));
}

// A few elements, texts and comments, some left open.
void writeSoup(FuzzedDataProvider& input, SerialisedMarkup& markup) {
    const int nodes = input.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < nodes; ++i) {
        switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            SerialisedMarkup::Attributes attributes;
            const QString tag =
                QString::fromUtf16(Tags[input.ConsumeIntegralInRange<size_t>(0, Tags.size() - 1)]);
            for (int a = input.ConsumeIntegralInRange(0, 2); a > 0; --a)
                attributes.append(
                    {QString::fromUtf16(AttributeNames[input.ConsumeIntegralInRange<size_t>(
                         0, AttributeNames.size() - 1)]),
                     takeText(input)});
            markup.open(tag, attributes);
            break;
        }
        case 1:
            markup.close();
            break;
        case 2:
            markup.text(takeText(input));
            break;
        default:
            markup.comment(takeText(input));
        }
    }
}

struct Fields {
    QString member, badge, rate, created, rating;
};

// The markers that the extraction of a skeleton field finds first.
bool holdsLabel(const QString& text) {
    for (const QStringView label : {u"shop-info-simple", u"shop-intro hslice", u"好评率：",
                                    u"创店时间", u"信用评价", u"newrank/", u"友情链接"}) {
        if (text.contains(label))
            return true;
    }
    return false;
}

void writeBadge(SerialisedMarkup& markup, const QString& badge) {
    if (!badge.isEmpty())
        markup.open(u"img"_qs, {{u"src"_qs, u"http://pics.example.com/newrank/"_qs + badge},
                                {u"border"_qs, u"0"_qs}});
}

void writeLayoutA(SerialisedMarkup& markup, const Fields& f) {
    markup.open(u"div"_qs, {{u"class"_qs, u"shop-info-simple"_qs}});
    markup.open(u"ul"_qs);
    markup.open(u"li"_qs);
    markup.text(u"掌柜："_qs);
    markup.open(u"a"_qs, {{u"class"_qs, u"n"_qs}, {u"href"_qs, u"http://member.example.com/u"_qs}});
    markup.text(f.member);
    markup.close();
    writeBadge(markup, f.badge);
    markup.close();
    const std::array<std::pair<const char16_t*, QString>, 2> items{
        {{u"好评率：", f.rate}, {u"创店时间", f.created}}};
    for (const auto& [label, value] : items) {
        markup.open(u"li"_qs);
        markup.open(u"label"_qs);
        markup.text(QString::fromUtf16(label));
        markup.close();
        markup.text(value);
        markup.close();
    }
    markup.close();
    markup.close();
}

void writeLayoutB(SerialisedMarkup& markup, const Fields& f) {
    markup.open(u"div"_qs, {{u"class"_qs, u"shop-intro hslice"_qs}});
    markup.open(u"a"_qs,
                {{u"href"_qs, u"http://member.example.com/u"_qs}, {u"class"_qs, u"hCard fn"_qs}});
    markup.text(f.member);
    markup.close();
    writeBadge(markup, f.badge);
    markup.open(u"ul"_qs);
    markup.open(u"li"_qs);
    markup.open(u"label"_qs);
    markup.text(u"创店时间："_qs);
    markup.close();
    markup.text(f.created);
    markup.close();
    markup.open(u"li"_qs);
    markup.text(u"信用评价："_qs);
    markup.open(u"a"_qs, {{u"href"_qs, f.rating}, {u"target"_qs, u"_blank"_qs}});
    markup.text(u"查看"_qs);
    markup.close();
    markup.close();
    markup.close();
    markup.close();
}

QString expectedCredit(const QString& badge) {
    return badge.isEmpty() ? runtext::BelowOneHeart
                           : CreditBadgeText(SerialisedMarkup::escapeAttribute(badge));
}

void checkSkeleton(const QString& body, bool layoutA, const Fields& f) {
    const shoppage::ShopValues values = shoppage::readRenderedShopPage(body);
    FUZZ_CHECK(values.layout == (layoutA ? shoppage::Layout::A : shoppage::Layout::B));
    FUZZ_CHECK(values.member == SerialisedMarkup::escapeText(f.member));
    FUZZ_CHECK(values.credit == expectedCredit(f.badge));
    if (layoutA) {
        FUZZ_CHECK(values.rate == SerialisedMarkup::escapeText(f.rate));
        FUZZ_CHECK(values.created == SerialisedMarkup::escapeText(f.created));
    } else {
        FUZZ_CHECK(values.created == SerialisedMarkup::escapeText(f.created));
        // The address runs to its closing quote, which the serialiser never
        // writes inside it; an empty address is no address.
        const QString rating = SerialisedMarkup::escapeAttribute(f.rating);
        if (rating.isEmpty())
            FUZZ_CHECK(!values.ratingAddress);
        else
            FUZZ_CHECK(values.ratingAddress == rating);
    }
    FUZZ_CHECK(values.backLinkStart > 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int skeleton = input.ConsumeIntegralInRange(0, 2); // none, A, B
    Fields f;
    for (QString* field : {&f.member, &f.badge, &f.rate, &f.created, &f.rating})
        *field = QString::fromStdString(input.ConsumeRandomLengthString(32));
    const qint32 namePosition = input.ConsumeIntegral<qint32>();
    const qint32 nameLength = input.ConsumeIntegralInRange(0, 16);

    SerialisedMarkup markup;
    writeSoup(input, markup);
    const QString before = markup.finish();
    if (skeleton == 1)
        writeLayoutA(markup, f);
    else if (skeleton == 2)
        writeLayoutB(markup, f);
    writeSoup(input, markup);
    const QString body = markup.finish();

    pageinvariants::checkShopValues(body, shoppage::readRenderedShopPage(body));
    FUZZ_CHECK(shoppage::isRenderedShopNotFoundPage(body) ==
               body.contains(u"增值电信业务经营许可证：浙B2-20080224"));
    const shoppage::ShopValues values = shoppage::readRenderedShopPage(body);
    pageinvariants::checkLinksBack(body, values.backLinkStart, namePosition, nameLength);

    // Fields free of the labels, after soup free of them, come back exactly;
    // a badge-less page needs no "newrank/" anywhere after the member either,
    // and a layout B page no layout A anchor in the soup after it.
    const QString fieldText = f.member + f.badge + f.rate + f.created + f.rating;
    const bool clean = !holdsLabel(before) && !holdsLabel(fieldText) &&
                       (!f.badge.isEmpty() || !body.contains(u"newrank/")) &&
                       (skeleton == 1 || !body.contains(u"shop-info-simple"));
    if (skeleton != 0 && clean)
        checkSkeleton(body, skeleton == 1, f);
    return 0;
}
