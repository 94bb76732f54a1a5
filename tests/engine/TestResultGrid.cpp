#include <QTest>
class TestResultGrid : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(TestResultGrid)
#include "TestResultGrid.moc"
