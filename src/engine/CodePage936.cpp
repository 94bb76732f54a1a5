#include "CodePage936.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace codepage936 {

QByteArray encode(const QString& text) {
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString decode(const QByteArray& bytes) {
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

} // namespace codepage936
