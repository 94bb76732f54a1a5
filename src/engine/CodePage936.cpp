#include "CodePage936.h"

#include <QStringDecoder>
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
    // The converter keeps a lead byte cut off at the end pending (the
    // stateless flag does not change that); one more line break flushes it
    // as U+FFFD.
    QStringDecoder decoder("GBK");
    QString text = decoder.decode(bytes);
    text += decoder.decode(QByteArrayView("\n"));
    text.chop(1);
    return text;
}

} // namespace codepage936
