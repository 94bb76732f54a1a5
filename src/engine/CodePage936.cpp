#include "CodePage936.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace codepage936 {

QByteArray encode(const QString& text) {
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString decode(const QByteArray& bytes) {
    // Stateless: a lead byte cut off at the end becomes U+FFFD, not nothing.
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace codepage936
