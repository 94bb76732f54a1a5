#pragma once

#include <QByteArrayView>
#include <QString>

// Turning bytes into text in a named encoding ("UTF-8", "GBK", "GB18030",
// any name Qt or ICU knows), all of them at once: every byte that is not
// valid in the encoding, a sequence cut off at the end included, becomes
// U+FFFD. The name must be valid (QStringDecoder(name).isValid()).
QString decodeWhole(const char* encoding, QByteArrayView bytes);
