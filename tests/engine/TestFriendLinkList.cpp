#include <QTest>
class TestFriendLinkList : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(TestFriendLinkList)
#include "TestFriendLinkList.moc"
