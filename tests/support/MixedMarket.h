#pragma once

#include "MarketServer.h"

#include <QList>
#include <QString>

// A marketplace with many friend shops of mixed layouts, for runs long
// enough to fetch ahead. The own shop "myshop.taobao.com" (我的小店) links to
// `rows` shops; row r is, by r modulo 6:
//   1  Layout A, links back          4  Layout A, does not link back
//   2  Layout B with a rating page   5  the shop-not-found page
//   3  mall Layout C, no link back   0  Layout B with a rating page, no link back
// Shop pages come from one host per row; every rating page comes from
// rate.taobao.com. All pages are GBK without a declared charset.
namespace mixedmarket {

inline const QString OwnAddress = QStringLiteral("myshop.taobao.com");
inline const QString RatingHost = QStringLiteral("rate.taobao.com");

struct Options {
    int rows = 12;
    // Every page is answered after this delay, plus `delayStepMs` times
    // (row modulo 3) for the pages of a row, so that pages fetched at once
    // arrive out of row order.
    int delayMs = 0;
    int delayStepMs = 0;
    // A row whose friend link has an empty address (0: none).
    int emptyAddressRow = 0;
    // Rows whose friend link is a click-redirect link, served as an HTTP
    // redirect to the row's shop page.
    QList<int> redirectRows;
};

QString shopHost(int row);
// The address in the friend link of `row`.
QString shopAddress(int row);
// The click-redirect link of `row`.
QString redirectAddress(int row);
bool hasRatingPage(int row);
QString ratingPath(int row);

QString ownPage(const Options& options);
// `edition` shows in the member name, so that a page can change between runs.
QString shopPage(int row, int edition = 1);
QString ratingPage(int row);
// What the browser shows for the redirect row: a Layout A page.
QString renderedRedirectPage();

// Serves the own page and every page of every row.
void serve(MarketServer& market, const Options& options);
// The page of `row` with the options' delay.
MarketPage delayedPage(const QString& html, int row, const Options& options);

} // namespace mixedmarket
