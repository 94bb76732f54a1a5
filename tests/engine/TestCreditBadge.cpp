#include "CreditBadge.h"

#include <QTest>

class TestCreditBadge : public QObject {
    Q_OBJECT

private slots:
    void levelText_data();
    void levelText();
};

void TestCreditBadge::levelText_data() {
    QTest::addColumn<QString>("imageName");
    QTest::addColumn<QString>("expected");

    const QList<std::pair<QString, QString>> tiers{
        {"s_red_", "心"}, {"s_blue_", "钻"}, {"s_cap_", "冠"}, {"s_crown_", "金冠"}};
    for (const auto& [prefix, word] : tiers) {
        for (int level = 1; level <= 5; ++level) {
            const QString name = prefix + QString::number(level) + ".gif";
            QTest::newRow(qPrintable(name)) << name << QString::number(level) + word;
        }
    }
    QTest::newRow("capitals") << "S_RED_1.GIF"
                              << "未知";
    QTest::newRow("leading space") << " s_red_1.gif"
                                   << "未知";
    QTest::newRow("trailing space") << "s_red_1.gif "
                                    << "未知";
    QTest::newRow("query part") << "s_red_1.gif?v=2"
                                << "未知";
    QTest::newRow("level 6") << "s_red_6.gif"
                             << "未知";
    QTest::newRow("level 0") << "s_blue_0.gif"
                             << "未知";
    QTest::newRow("with path") << "newrank/s_cap_5.gif"
                               << "未知";
    QTest::newRow("empty") << ""
                           << "未知";
}

void TestCreditBadge::levelText() {
    QFETCH(QString, imageName);
    QFETCH(QString, expected);
    QCOMPARE(CreditBadgeText(imageName), expected);
}

QTEST_APPLESS_MAIN(TestCreditBadge)
#include "TestCreditBadge.moc"
