#pragma once

#include <QString>

// Small marketplace pages carrying exactly the markers the engine reads.
namespace canned {

// The user's own shop page: title "首页-<name> - 淘宝网" and a friend-link
// list holding `links` (already formatted lines).
QString ownShopPage(const QString& name, const QString& links);

// One friend-link line as the marketplace writes it.
QString linkLine(const QString& address, const QString& name);

// A friend shop page in Layout A (plain shop), B (shop with a separate
// rating page) or C (mall shop). `friendLinks` is the text under the
// shop's own friend-link heading; `badge` an image name such as
// "s_red_3.gif" or empty for none.
QString layoutA(const QString& member, const QString& badge, const QString& rate,
                const QString& created, const QString& friendLinks);
QString layoutB(const QString& member, const QString& badge, const QString& created,
                const QString& ratingAddress, const QString& friendLinks);
QString layoutC(const QString& member, const QString& level, const QString& friendLinks);
QString ratingPage(const QString& rate);
QString notFoundPage();

// Body markup as the browser serialises it (upper-case tag names).
QString renderedA(const QString& member, const QString& badge, const QString& rate,
                  const QString& created, const QString& friendLinks);
QString renderedB(const QString& member, const QString& badge, const QString& created,
                  const QString& ratingAddress, const QString& friendLinks);
QString renderedNotFound();

} // namespace canned
