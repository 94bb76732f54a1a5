#include <QTest>
class TestAnalysisRun : public QObject { Q_OBJECT };
QTEST_APPLESS_MAIN(TestAnalysisRun)
#include "TestAnalysisRun.moc"
