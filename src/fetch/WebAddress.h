#pragma once

#include <QString>
#include <QUrl>

// The web address that a page address stands for: an address without a
// scheme is an http address ("myshop.taobao.com" and "//myshop.taobao.com/"
// are http://myshop.taobao.com/).
// Only http and https addresses with a host are web addresses; anything else
// gives an invalid QUrl.
QUrl webAddress(const QString& address);
