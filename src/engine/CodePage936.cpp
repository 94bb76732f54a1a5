#include "CodePage936.h"

#include "TextDecoding.h"

#include <QStringEncoder>

namespace codepage936 {

namespace {

qsizetype characterLength(QStringView text, qsizetype i) {
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
}

} // namespace

// The converter writes nothing at all, instead of '?', for some characters
// it cannot represent (default-ignorable ones such as variation selectors and
// zero-width spaces, and a lone surrogate), so each character is encoded on
// its own and one that gives no bytes becomes '?'.
QByteArray encode(const QString& text) {
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = characterLength(text, i);
        const QByteArray character = encoder.encode(QStringView(text).sliced(i, length));
        bytes += character.isEmpty() ? QByteArrayView("?") : QByteArrayView(character);
        i += length;
    }
    return bytes;
}

QString decode(const QByteArray& bytes) {
    return decodeWhole("GBK", bytes);
}

} // namespace codepage936
