#include "PageDecoding.h"

#include <QStringEncoder>
#include <QTest>

namespace {

QByteArray encoded(QStringConverter::Encoding encoding, const QString& text) {
    return QStringEncoder(encoding).encode(text);
}

} // namespace

// The byte-order mark and the Chinese labels; the other declared charsets
// are covered by the fetches in TestPageRequest.
class TestPageDecoding : public QObject {
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
};

void TestPageDecoding::decodes_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("expected");

    const QString shop = QStringLiteral("首页-我的小店 - 淘宝网 友情链接");
    const QByteArray utf8Mark = "\xEF\xBB\xBF";
    const QByteArray utf8 = utf8Mark + shop.toUtf8();
    const QByteArray html = "text/html";

    QTest::newRow("UTF-8 mark, nothing declared") << utf8 << html << shop;
    QTest::newRow("UTF-16 LE mark")
        << "\xFF\xFE" + encoded(QStringConverter::Utf16LE, shop) << html << shop;
    QTest::newRow("UTF-16 BE mark")
        << "\xFE\xFF" + encoded(QStringConverter::Utf16BE, shop) << html << shop;
    QTest::newRow("mark wins over a GBK header")
        << utf8 << QByteArray("text/html; charset=gbk") << shop;
    const QString meta = QStringLiteral("<meta charset=\"gbk\">") + shop;
    QTest::newRow("mark wins over a GBK meta") << utf8Mark + meta.toUtf8() << html << meta;
    QTest::newRow("mark alone") << utf8Mark << html << QString();
    QTest::newRow("UTF-16 cut off inside a character")
        << "\xFF\xFE" + encoded(QStringConverter::Utf16LE, shop) + "a" << html
        << shop + QChar::ReplacementCharacter;
    // The first two bytes of the UTF-8 mark are one GBK character.
    QTest::newRow("part of a mark is GBK text")
        << QByteArray("\xEF\xBB") + encoded(QStringConverter::Latin1, "ok") << html
        << QStringLiteral("锘ok");
    // GB18030's four-byte characters (U+20000 and U+0080) under every
    // Chinese label, and under none.
    const QByteArray fourByte = "\xC4\xE3\x95\x32\x82\x36\x81\x30\x81\x30";
    const QString fourByteText = QStringLiteral("你\U00020000\u0080");
    for (const char* label : {"gbk", "GB2312", "gb18030", ""})
        QTest::addRow("four-byte characters, label \"%s\"", label)
            << fourByte << "text/html" + (*label ? "; charset=" + QByteArray(label) : QByteArray())
            << fourByteText;
    QTest::newRow("four-byte character cut off")
        << QByteArray("\x95\x32\x82") << QByteArray("text/html; charset=gbk")
        << QString(QChar::ReplacementCharacter);
}

void TestPageDecoding::decodes() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, expected);
    QCOMPARE(pagedecoding::decodePage(body, contentType), expected);
}

QTEST_APPLESS_MAIN(TestPageDecoding)
#include "TestPageDecoding.moc"
