// Code page 936 round trip. The first input byte picks the direction: text
// (UTF-16 code units, lone surrogates included) encoded and decoded again,
// or arbitrary bytes decoded and encoded again.
#include "CodePage936.h"
#include "FuzzCheck.h"

#include <QString>
#include <cstring>

namespace {

// Every character the code page cannot represent comes back as one '?'; all
// others come back unchanged.
void checkTextRoundTrip(const QString& text) {
    QString expected;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        const QString character = text.sliced(i, length);
        const QString back = codepage936::decode(codepage936::encode(character));
        FUZZ_CHECK(back == character || back == u"?");
        expected += back;
        i += length;
    }
    FUZZ_CHECK(codepage936::decode(codepage936::encode(text)) == expected);
}

// Decoding never fails and loses no byte: a sequence cut off at the end
// decodes as it would before a line end. What it gives, once encoded, is
// stable under a further round trip.
void checkBytesRoundTrip(const QByteArray& bytes) {
    const QString text = codepage936::decode(bytes);
    FUZZ_CHECK(text.size() <= bytes.size());
    FUZZ_CHECK(codepage936::decode(bytes + '\n') == text + u'\n');
    const QByteArray encoded = codepage936::encode(text);
    FUZZ_CHECK(codepage936::encode(codepage936::decode(encoded)) == encoded);
    QString expected = text;
    expected.replace(QChar::ReplacementCharacter, u'?');
    FUZZ_CHECK(codepage936::decode(encoded) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const qsizetype restSize = qsizetype(size - 1);
    if (data[0] & 1) {
        checkBytesRoundTrip(QByteArray(rest, restSize));
        return 0;
    }
    // Text both as UTF-8 (readable seeds) and as raw UTF-16 code units.
    checkTextRoundTrip(QString::fromUtf8(rest, restSize));
    QString units(restSize / 2, Qt::Uninitialized);
    std::memcpy(units.data(), rest, size_t(restSize / 2) * 2);
    checkTextRoundTrip(units);
    return 0;
}
