#include "CodePage936.h"

#include <QTest>

class TestCodePage936 : public QObject {
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void decode_data();
    void decode();
};

void TestCodePage936::encode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ascii") << "<a href=\"x\">" << QByteArray("<a href=\"x\">");
    QTest::newRow("chinese") << "友情" << QByteArray("\xd3\xd1\xc7\xe9");
    QTest::newRow("marks") << "×√" << QByteArray("\xa1\xc1\xa1\xcc");
    QTest::newRow("thai is one ?") << "aไb" << QByteArray("a?b");
    QTest::newRow("emoji is one ?") << "a😀b" << QByteArray("a?b");
    QTest::newRow("variation selector is ?") << "a\uFE0Fb" << QByteArray("a?b");
    QTest::newRow("zero-width space is ?") << "a\u200Bb" << QByteArray("a?b");
    QTest::newRow("lone high surrogate at the end is ?")
        << QStringLiteral("a") + QChar(0xD800) << QByteArray("a?");
    QTest::newRow("lone low surrogate is ?")
        << QChar(0xDC00) + QStringLiteral("b") << QByteArray("?b");
}

void TestCodePage936::encode() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(codepage936::encode(text), bytes);
}

void TestCodePage936::decode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("chinese") << QByteArray("\xd3\xd1\xc7\xe9") << "友情";
    QTest::newRow("invalid pair") << QByteArray("a\x81\x20") << "a\uFFFD ";
    QTest::newRow("lead byte cut off at the end") << QByteArray("a\xd3") << "a\uFFFD";
}

void TestCodePage936::decode() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(codepage936::decode(bytes), text);
}

QTEST_APPLESS_MAIN(TestCodePage936)
#include "TestCodePage936.moc"
