#pragma once

#include <QString>
#include <optional>

// Reading the user's own shop: the address box and the own shop page.
namespace ownshop {

// Leading and trailing spaces (U+0020 only) removed.
QString trimSpaces(const QString& text);

// The address box text without the white space around it: the spaces, tabs,
// line breaks and full-width spaces that come with a typed or pasted address
// would otherwise end up inside the host name.
QString trimmedAddress(const QString& boxText);

// The address box text lower-cased, with the marketplace's domain suffix
// appended when it holds neither shop-domain suffix anywhere.
QString lowerCased(const QString& boxText);
QString withDomainSuffix(const QString& boxText);

// The address a run makes of the box text (trimmed, lower-cased, completed
// with the domain suffix), under which its check is recorded; empty when
// the text is only white space.
QString normalisedAddress(const QString& boxText);

// The shop's name from the page title, trimmed of spaces; empty when the
// title markers are missing.
QString shopName(const QString& page);

// The text strictly between the "<ul>" after "友情链接" and the next
// "</ul>"; no value when the heading or either list marker is missing.
std::optional<QString> friendLinkBlock(const QString& page);

} // namespace ownshop
