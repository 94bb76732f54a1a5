#pragma once

#include "ShopPage.h"

#include <QString>

// Invariants of the extraction steps that hold for any page text; shared by
// the raw-page and the serialised-body targets.
namespace pageinvariants {

// A credit cell holds "1心以下", a badge's level text or "未知".
bool isCreditLevelText(const QString& text);

// Every value is a piece of the page (the credit level a known text, the
// mall level a piece followed by "(商城)", "N/A" where the layout has no
// value) and the back-link start lies within the page or just past it.
void checkShopValues(const QString& page, const shoppage::ShopValues& values);

// linksBack answers nothing for a missing start, finds an own-shop name or
// address that stands at or after the start, and never finds an empty one.
void checkLinksBack(const QString& page, qint32 from, qint32 namePosition, qint32 nameLength);

} // namespace pageinvariants
