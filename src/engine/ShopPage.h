#pragma once

#include <QString>
#include <optional>

// Values cut out of a friend shop's page. A value whose markers are missing
// has no value (its cell is left empty); see PageSearch.h for the rule.
namespace shoppage {

enum class Layout { A, B, C };

struct ShopValues {
    Layout layout = Layout::A;
    std::optional<QString> member;
    std::optional<QString> credit;
    // Layout B takes its rate from the rating page instead.
    std::optional<QString> rate;
    std::optional<QString> created;
    // Where the back-link search starts; 0 when it cannot be placed.
    qint32 backLinkStart = 0;
    // Layout B only: the address of the shop's rating page; none when the
    // link is missing or empty (an empty link is a broken page, not a page
    // to fetch).
    std::optional<QString> ratingAddress;
};

// Markers built around the double-quote character.
inline constexpr QStringView HrefOpen = u"href=\"";
inline constexpr QStringView TagClose = u"\">";
inline constexpr QStringView QuoteSpace = u"\" ";
inline constexpr QStringView MemberOpen = u"hCard fn\">";
inline constexpr QStringView MallLevelOpen = u"c-value-4d7\"></span>";

// The markers that close Layout A's values. The page as fetched writes its
// tags in lower case and ends the badge name at a quote-space; the browser's
// serialisation writes them in upper case and ends the badge name at the end
// of its start tag.
struct LayoutAClosers {
    QStringView link;
    QStringView badge;
    QStringView item;
};
inline constexpr LayoutAClosers FetchedLayoutA{u"</a>", QuoteSpace, u"</li>"};
inline constexpr LayoutAClosers RenderedLayoutA{u"</A>", TagClose, u"</LI>"};

// Layout A from its anchor: the member link, the badge after it, the rate
// and the creation time.
ShopValues readLayoutA(const QString& page, qint32 anchor, const LayoutAClosers& closers);

// What a friend shop's page turned out to be: a shop page of a known layout,
// the page of a shop that does not exist, or neither (a verification or
// login page, a page that only a script fills, any page without the
// layouts' markers).
enum class PageKind { Shop, NotFound, Unreadable };

// A friend shop's page and, for a shop page, its values.
struct ShopReading {
    PageKind kind = PageKind::Unreadable;
    ShopValues values;
};

// Page text as fetched directly: Layout A, B or the mall layout C, each
// known by its marker.
bool isShopNotFoundPage(const QString& page);
PageKind fetchedPageKind(const QString& page);
// The values of a page known to be a shop page.
ShopValues readShopPage(const QString& page);
ShopReading readFetchedShopPage(const QString& page);

// The page the run asks for right after a page fetched directly: the
// rating page of a Layout B shop; none for another page.
std::optional<QString> followUpAddress(const ShopReading& reading);

// Body markup as the embedded browser serialised it: rendered layout A or B.
bool isRenderedShopNotFoundPage(const QString& body);
PageKind renderedPageKind(const QString& body);
ShopValues readRenderedShopPage(const QString& body);
ShopReading readRenderedPage(const QString& body);

// Why a page without any layout's marker could not be read, for the seller:
// what such pages usually are, and the page's title when it has one.
QString unreadableReason(const QString& page);

// A rating link as cut from the page: an empty one counts as missing.
std::optional<QString> ratingLink(std::optional<QString> cut);

// The rate on a Layout B shop's rating page.
std::optional<QString> ratingPageRate(const QString& ratingPage);

// The credit level after position `start`: "1心以下" when no badge image
// follows, else the badge's level text.
std::optional<QString> creditLevel(const QString& page, qint32 start, QStringView badgeEnd);

// Where the back-link search starts: the friend-link heading at or after
// `end`, else `end` itself.
qint32 backLinkStartAfter(const QString& page, qint32 end);

// Whether the page links back to the user's shop: the shop's address or the
// own shop name occurs at or after `from`. The address is the one in the
// address box however it was typed: with or without "http://", "https://"
// or "//" and a trailing "/"; the page may write it in any of those forms,
// and its host in any case (see occursAsShopAddress). The name is searched
// exactly. An empty text is never found, so with both empty the answer is
// no. No answer when `from` is 0.
std::optional<bool> linksBack(const QString& page, qint32 from, const QString& addressBoxText,
                              const QString& ownShopName);

// Whether the shop at `addressBoxText` is written in `page` at or after
// `from`: its host (compared without regard to case) standing on its own,
// not inside a longer host name, followed by the typed path if there was
// one. The scheme, a trailing "/", the query and the fragment of the typed
// address do not count.
bool occursAsShopAddress(QStringView page, qint32 from, const QString& addressBoxText);

} // namespace shoppage
