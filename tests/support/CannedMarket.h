#pragma once

#include "MarketServer.h"

#include <QString>

// A marketplace with one own shop ("myshop.taobao.com", named 我的小店) that
// links to three friend shops, one of each page layout, all served as GBK
// without a declared charset:
//   row 1  shopa.taobao.com  layout A, links back by address
//   row 2  shopb.taobao.com  layout B, rating page on rate.taobao.com, links back by name
//   row 3  shopc.tmall.com   mall layout C, does not link back
namespace canned {

inline const QString OwnHost = QStringLiteral("myshop.taobao.com");
inline const QString RatingHost = QStringLiteral("rate.taobao.com");
inline const QString RatingPath = QStringLiteral("/user-rate-b.htm");

QByteArray gbk(const QString& text);
MarketPage gbkPage(const QString& html, int status = 200);

QString ownPage();
QString shopPageA();
QString shopPageB();
QString shopPageC();
QString ratingPageB();
QString shopNotFoundPage();

// Serves all pages above.
void serveAll(MarketServer& market);

// The expected grid row for the friend shop of `row` after a complete run:
// the nine cell texts.
QStringList expectedRow(int row);

} // namespace canned
