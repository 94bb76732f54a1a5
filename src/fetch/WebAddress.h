#pragma once

#include <QString>
#include <QUrl>

// The web address that a page address stands for, as a browser reads it
// from a link: character references are decoded as in an attribute value
// ("?id=1&amp;spm=2" asks for "?id=1&spm=2"), and an address without a
// scheme is an http address ("myshop.taobao.com" and "//myshop.taobao.com/"
// are http://myshop.taobao.com/).
// Only http and https addresses with a host are web addresses; anything else
// gives an invalid QUrl.
QUrl webAddress(const QString& address);

// The host that a page address stands for, in lower case; empty when it is
// no web address.
QString hostOf(const QString& address);

// An HTML attribute's value as written, with its character references
// decoded as a browser decodes them.
QString attributeText(const QString& written);
