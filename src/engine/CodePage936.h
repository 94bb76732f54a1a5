#pragma once

#include <QByteArray>
#include <QString>

// The Simplified Chinese code page (936, GBK) used for narrow text.
namespace codepage936 {

// A character that the code page cannot represent becomes one '?'.
QByteArray encode(const QString& text);

// Bytes that are not valid in the code page become U+FFFD.
QString decode(const QByteArray& bytes);

} // namespace codepage936
