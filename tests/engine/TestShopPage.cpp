#include <QTest>
class TestShopPage : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(TestShopPage)
#include "TestShopPage.moc"
