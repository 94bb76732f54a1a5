#pragma once

#include <QByteArray>
#include <QString>

// Turning a page's bytes into text.
namespace pagedecoding {

// The charset named in a Content-Type header value ("text/html; charset=utf-8"),
// or empty.
QByteArray headerCharset(const QByteArray& contentType);

// The charset a <meta> near the start of the page declares, or empty.
QByteArray metaCharset(const QByteArray& body);

// The body as text. A byte-order mark at its start (UTF-8, UTF-16 LE or BE)
// decides, over any declaration, as in browsers: a server's or page's label
// is often wrong, the mark in the bytes is not; the mark itself is dropped.
// Without one: in the charset of the Content-Type header, else in the one a
// <meta> declares, else in GB18030, which reads code page 936 (GBK) and its
// four-byte characters alike; a page labelled gbk or gb2312 is read as
// GB18030 too, and so is one with an unknown charset name. Undecodable bytes
// become U+FFFD.
QString decodePage(const QByteArray& body, const QByteArray& contentType);

} // namespace pagedecoding
