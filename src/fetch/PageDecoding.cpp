#include "PageDecoding.h"

#include "TextDecoding.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <optional>

namespace pagedecoding {

namespace {

// How far into the page a <meta> declaration is looked for.
constexpr qsizetype MetaScanBytes = 1024;

// GB18030 takes in GBK (code page 936) and GB2312 and adds the four-byte
// characters of the rest of Unicode.
const QByteArray Gb18030 = "GB18030";

// Names that pages use for the simplified Chinese code page are all read as
// GB18030, as browsers read them: pages labelled gb2312 or gbk routinely
// hold GBK-only and four-byte characters.
QByteArray canonicalName(const QByteArray& name) {
    const QByteArray lower = name.toLower();
    if (lower == "gb2312" || lower == "gbk" || lower == "x-gbk" || lower == "cp936" ||
        lower == "gb_2312-80" || lower == "csgb2312" || lower == "windows-936" ||
        lower == "gb18030")
        return Gb18030;
    return lower;
}

// The encoding a byte-order mark at the start of the body names.
std::optional<QStringConverter::Encoding> byteOrderMark(const QByteArray& body) {
    if (body.startsWith("\xEF\xBB\xBF"))
        return QStringConverter::Utf8;
    if (body.startsWith("\xFF\xFE"))
        return QStringConverter::Utf16LE;
    if (body.startsWith("\xFE\xFF"))
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

QByteArray charsetAfter(const QString& text, const QRegularExpression& pattern) {
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

} // namespace

QByteArray headerCharset(const QByteArray& contentType) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(;\s*charset\s*=\s*["']?([A-Za-z0-9._:+-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    return charsetAfter(QString::fromLatin1(contentType), pattern);
}

QByteArray metaCharset(const QByteArray& body) {
    // Covers both <meta charset="x"> and <meta http-equiv=... content="...; charset=x">.
    static const QRegularExpression pattern(
        QStringLiteral(R"(<meta[^>]*charset\s*=\s*["']?([A-Za-z0-9._:+-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    return charsetAfter(QString::fromLatin1(body.left(MetaScanBytes)), pattern);
}

QString decodePage(const QByteArray& body, const QByteArray& contentType) {
    // Qt's decoders skip the mark they are given as the first character.
    if (const std::optional<QStringConverter::Encoding> marked = byteOrderMark(body))
        return QStringDecoder(*marked, QStringConverter::Flag::Stateless).decode(body);

    QByteArray charset = headerCharset(contentType);
    if (charset.isEmpty())
        charset = metaCharset(body);
    QByteArray name = charset.isEmpty() ? Gb18030 : canonicalName(charset);
    if (!QStringDecoder(name.constData()).isValid())
        name = Gb18030;
    return decodeWhole(name.constData(), body);
}

} // namespace pagedecoding
