#include "VersionCaption.h"

#include <QTest>

class TestVersionCaption : public QObject {
    Q_OBJECT

private slots:
    void caption_data();
    void caption();
};

void TestVersionCaption::caption_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("expected");

    QTest::newRow("minor and revision padded") << 1 << 3 << 15 << "ZembrelVer1.03 Build:0015";
    QTest::newRow("minor of 7") << 1 << 7 << 15 << "ZembrelVer1.07 Build:0015";
    QTest::newRow("revision of 7") << 1 << 3 << 7 << "ZembrelVer1.03 Build:0007";
    QTest::newRow("revision of 123") << 1 << 3 << 123 << "ZembrelVer1.03 Build:0123";
    QTest::newRow("minor of 123 in full") << 1 << 123 << 15 << "ZembrelVer1.123 Build:0015";
    QTest::newRow("revision of 12345 in full") << 1 << 3 << 12345 << "ZembrelVer1.03 Build:12345";
    QTest::newRow("zeros") << 0 << 0 << 0 << "ZembrelVer0.00 Build:0000";
    QTest::newRow("major not padded") << 12 << 10 << 1000 << "ZembrelVer12.10 Build:1000";
}

void TestVersionCaption::caption() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, expected);

    QCOMPARE(versionCaption(QStringLiteral("Zembrel"), major, minor, revision), expected);
}

QTEST_APPLESS_MAIN(TestVersionCaption)
#include "TestVersionCaption.moc"
