#include "TextDecoding.h"

#include <QStringDecoder>

QString decodeWhole(const char* encoding, QByteArrayView bytes) {
    // Qt's own codecs (UTF-8, UTF-16, UTF-32, Latin-1) turn a sequence cut
    // off at the end into U+FFFD when stateless. The others (GBK among them)
    // keep it pending even then, so one more line break is decoded to flush
    // it.
    if (QStringConverter::encodingForName(encoding))
        return QStringDecoder(encoding, QStringConverter::Flag::Stateless).decode(bytes);
    QStringDecoder decoder(encoding);
    QString text = decoder.decode(bytes);
    text += decoder.decode(QByteArrayView("\n"));
    text.chop(1);
    return text;
}
