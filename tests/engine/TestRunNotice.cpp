#include "RunNotice.h"

#include <QCoroTask>
#include <QTest>

namespace {

// Waits twice for either notice, counting each wake.
QCoro::Task<> waitTwice(RunNotice& stop, RunNotice& ready, int& wakes) {
    const QList<RunNotice*> notices{&stop, &ready};
    co_await NoticeWait(notices);
    ++wakes;
    co_await NoticeWait(notices);
    ++wakes;
}

} // namespace

// A wait for notices from two sources wakes its coroutine once, from the
// event loop, whatever is raised in the same turn; what was raised before
// the coroutine waits again does not wake it again.
class TestRunNotice : public QObject {
    Q_OBJECT

private slots:
    void wakesOnce_data() {
        QTest::addColumn<QString>("raised"); // s: stop, r: ready, in one turn
        QTest::newRow("stop") << "s";
        QTest::newRow("ready") << "r";
        QTest::newRow("both") << "sr";
        QTest::newRow("both, twice") << "srrs";
    }

    void wakesOnce() {
        QFETCH(QString, raised);
        RunNotice stop;
        RunNotice ready;
        int wakes = 0;
        QCoro::Task<> task = waitTwice(stop, ready, wakes);

        for (const QChar source : raised)
            (source == u's' ? stop : ready).raise();
        QCOMPARE(wakes, 0);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(wakes, 1);
        QVERIFY(!task.isReady());

        ready.raise();
        QCoreApplication::processEvents();
        QCOMPARE(wakes, 2);
        QVERIFY(task.isReady());
    }
};

QTEST_GUILESS_MAIN(TestRunNotice)
#include "TestRunNotice.moc"
