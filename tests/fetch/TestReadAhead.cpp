#include "ReadAhead.h"

#include <QHash>
#include <QTest>

namespace {

// A job named by its host and row, "a2" or "a2/x": row 2, on host a. It
// logs "+a2" when started, "-a2" when stopped and "xa2" when dropped
// started. Every result is as large as the largest one a job keeps.
struct ScriptedJob {
    QString name;
    QString on;
    QStringList& events;
    bool started = false;
    bool done = false;

    ScriptedJob(const QString& named, QStringList& log)
        : name(named)
        , on(named.left(1))
        , events(log) {}
    ~ScriptedJob() {
        if (started)
            events << u'x' + name;
    }

    qint32 row() const { return name.mid(1).section(u'/', 0, 0).toInt(); }
    const QString& address() const { return name; }
    QString host() const { return on; }
    void start() {
        started = true;
        events << u'+' + name;
    }
    void stop() {
        started = false;
        events << u'-' + name;
    }
    bool isStarted() const { return started; }
    bool inProgress() const { return started && !done; }
    qsizetype resultSize() const { return done ? 10 : 0; }
};

// Plays `steps` on a plan with `places`; returns the jobs' events. Steps:
// "plan a1 b2" (jobs ahead), "enter 2", "ask a2" (the run's own job in the
// current row), "done a1" (its work has ended), "move a1 c" (to host c),
// "release a2", "end".
QString play(int places, const QStringList& steps) {
    QStringList events;
    // Jobs by name, as the plan holds them.
    QHash<QString, ScriptedJob*> jobs;
    ReadAhead<ScriptedJob> plan(places, 10);
    const auto job = [&](const QString& name) {
        auto made = std::make_unique<ScriptedJob>(name, events);
        jobs.insert(name, jobs.value(name, made.get()));
        return made;
    };
    for (const QString& step : steps) {
        const QStringList words = step.split(u' ');
        if (words[0] == "plan") {
            for (const QString& name : words.mid(1))
                plan.add(job(name));
            plan.startJobs();
        } else if (words[0] == "enter") {
            plan.enterRow(words[1].toInt());
        } else if (words[0] == "ask") {
            plan.ask(job(words[1]));
        } else if (words[0] == "done" || words[0] == "move") {
            ScriptedJob& moved = *jobs.value(words[1]);
            moved.done = words[0] == "done";
            moved.on = words.value(2, moved.on);
            plan.startJobs();
        } else if (words[0] == "release") {
            plan.release(*jobs.value(words[1]));
        } else if (words[0] == "end") {
            plan.end();
        }
    }
    return events.join(u' ');
}

} // namespace

// The read-ahead policy, step by step on jobs whose work the test ends:
// jobs ahead first, then the run's own.
class TestReadAhead : public QObject {
    Q_OBJECT

private slots:
    void policy_data();
    void policy();
};

void TestReadAhead::policy_data() {
    QTest::addColumn<int>("places");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("events");

    QTest::newRow("one place: nothing ahead") << 1 << QStringList{"plan a1 b2", "enter 1"} << "";
    QTest::newRow("row order while places are free")
        << 2 << QStringList{"plan a1 b2 c3"} << "+a1 +b2";
    QTest::newRow("a full host is passed over")
        << 4 << QStringList{"plan a1 a2 a3 b4"} << "+a1 +a2 +b4";
    QTest::newRow("a place freed goes to the earliest waiting")
        << 3 << QStringList{"plan a1 b2 c3 d4 e5", "done b2"} << "+a1 +b2 +c3 +d4";
    QTest::newRow("a page that left its host frees it")
        << 4 << QStringList{"plan a1 a2 a3", "move a1 c"} << "+a1 +a2 +a3";
    QTest::newRow("results held bound what starts")
        << 3 << QStringList{"plan a1 b2 c3 d4 e5", "done a1", "done b2"} << "+a1 +b2 +c3 +d4";
    QTest::newRow("a row's later job comes before later rows")
        << 3 << QStringList{"plan a1 b2 c3 d4", "plan r1", "done a1"} << "+a1 +b2 +c3 +r1";
    QTest::newRow("rows left are dropped, and no job is added for them")
        << 2 << QStringList{"plan a1 b2 c3 d4", "enter 3", "plan e2"} << "+a1 +b2 xa1 xb2 +c3 +d4";
    QTest::newRow("the end drops every job")
        << 2 << QStringList{"plan a1 b2 c3", "enter 1", "ask a1", "end"} << "+a1 +b2 xb2 xa1";

    QTest::newRow("a job ahead becomes the run's own as it is")
        << 2 << QStringList{"plan a1 b2", "enter 1", "ask a1"} << "+a1 +b2";
    QTest::newRow("only its own row's job ahead")
        << 3 << QStringList{"plan a1 b2", "enter 1", "ask b2"} << "+a1 +b2 +b2";
    QTest::newRow("one place: the run's own starts when asked")
        << 1 << QStringList{"plan a1", "enter 1", "ask a1"} << "+a1";
    QTest::newRow("every place held: the furthest job ahead gives its place up")
        << 2 << QStringList{"plan a1 b2 c3", "enter 1", "ask z1"} << "+a1 +b2 -b2 +z1";
    QTest::newRow("its host full: the furthest job ahead there gives way, and starts later")
        << 4 << QStringList{"plan a1 a2 a3 b4", "enter 1", "ask a1/x", "release a1/x", "done a1"}
        << "+a1 +a2 +b4 -a2 +a1/x xa1/x +a2 +a3";
    QTest::newRow("a job ahead taken frees what its result held")
        << 2 << QStringList{"plan a1 b2 c3", "done a1", "enter 1", "ask a1"} << "+a1 +b2 +c3";
}

void TestReadAhead::policy() {
    QFETCH(int, places);
    QFETCH(QStringList, steps);
    QFETCH(QString, events);
    QCOMPARE(play(places, steps), events);
}

QTEST_APPLESS_MAIN(TestReadAhead)
#include "TestReadAhead.moc"
