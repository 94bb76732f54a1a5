#include <QTest>
class TestOwnShopPage : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(TestOwnShopPage)
#include "TestOwnShopPage.moc"
