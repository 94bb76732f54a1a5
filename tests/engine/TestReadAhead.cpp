#include "ReadAhead.h"

#include <QHash>
#include <QTest>

namespace {

// A job named by its host and row, "a2" or "a2/x": row 2, on host a. It
// logs "+a2" when started, "-a2" when stopped and "xa2" when dropped
// started.
class ScriptedJob {
public:
    ScriptedJob(const QString& name, QStringList& events, QHash<QString, ScriptedJob*>& jobs)
        : name_(name)
        , host_(name.left(1))
        , events_(events)
        , jobs_(jobs) {
        if (!jobs_.contains(name_))
            jobs_.insert(name_, this);
    }
    ~ScriptedJob() {
        if (started_)
            events_ << QStringLiteral("x") + name_;
        if (jobs_.value(name_) == this)
            jobs_.remove(name_);
    }

    qint32 row() const { return name_.mid(1).section(u'/', 0, 0).toInt(); }
    const QString& address() const { return name_; }
    QString host() const { return host_; }
    void start() {
        started_ = true;
        events_ << QStringLiteral("+") + name_;
    }
    void stop() {
        started_ = false;
        events_ << QStringLiteral("-") + name_;
    }
    bool isStarted() const { return started_; }
    bool inProgress() const { return started_ && !done_; }
    // Every result is as large as the largest one a job keeps.
    qsizetype resultSize() const { return done_ ? 10 : 0; }

    void finish() { done_ = true; }
    void moveTo(const QString& host) { host_ = host; }

private:
    QString name_;
    QString host_;
    bool started_ = false;
    bool done_ = false;
    QStringList& events_;
    QHash<QString, ScriptedJob*>& jobs_;
};

// Plays `steps` on a plan with `places`; returns the jobs' events. Steps:
// "plan a1 b2" (jobs ahead), "enter 2", "ask a2" (the run's own job in the
// current row), "done a1" (its work has ended), "move a1 c" (to host c),
// "release a2", "end".
QString play(int places, const QStringList& steps) {
    QStringList events;
    QHash<QString, ScriptedJob*> jobs;
    ReadAhead<ScriptedJob> plan(places, 10);
    const auto make = [&](const QString& name) {
        return std::make_unique<ScriptedJob>(name, events, jobs);
    };
    for (const QString& step : steps) {
        const QStringList words = step.split(u' ');
        const QString& verb = words[0];
        if (verb == "plan") {
            for (const QString& name : words.mid(1))
                plan.add(make(name));
        } else if (verb == "enter") {
            plan.enterRow(words[1].toInt());
        } else if (verb == "ask") {
            plan.ask(make(words[1]));
        } else if (verb == "done") {
            jobs.value(words[1])->finish();
            plan.startJobs();
        } else if (verb == "move") {
            jobs.value(words[1])->moveTo(words[2]);
            plan.startJobs();
        } else if (verb == "release") {
            plan.release(*jobs.value(words[1]));
        } else if (verb == "end") {
            plan.end();
        }
    }
    return events.join(u' ');
}

} // namespace

// The read-ahead policy, step by step on jobs whose work the test ends.
class TestReadAhead : public QObject {
    Q_OBJECT

private slots:
    void jobsAhead_data();
    void jobsAhead();
    void theRunsOwnJob_data();
    void theRunsOwnJob();
};

void TestReadAhead::jobsAhead_data() {
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
}

void TestReadAhead::jobsAhead() {
    QFETCH(int, places);
    QFETCH(QStringList, steps);
    QFETCH(QString, events);
    QCOMPARE(play(places, steps), events);
}

void TestReadAhead::theRunsOwnJob_data() {
    QTest::addColumn<int>("places");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("events");

    QTest::newRow("a job ahead becomes the run's own as it is")
        << 2 << QStringList{"plan a1 b2", "enter 1", "ask a1"} << "+a1 +b2";
    QTest::newRow("only its own row's job ahead")
        << 3 << QStringList{"plan a1 b2", "enter 1", "ask b2"} << "+a1 +b2 +b2";
    QTest::newRow("one place: it starts when asked")
        << 1 << QStringList{"plan a1", "enter 1", "ask a1"} << "+a1";
    QTest::newRow("every place held: the furthest job ahead gives its place up")
        << 2 << QStringList{"plan a1 b2 c3", "enter 1", "ask z1"} << "+a1 +b2 -b2 +z1";
    QTest::newRow("its host full: the furthest job ahead there gives way, and starts later")
        << 4 << QStringList{"plan a1 a2 a3 b4", "enter 1", "ask a1/x", "release a1/x", "done a1"}
        << "+a1 +a2 +b4 -a2 +a1/x xa1/x +a2 +a3";
    QTest::newRow("a job ahead taken frees what its result held")
        << 2 << QStringList{"plan a1 b2 c3", "done a1", "enter 1", "ask a1"} << "+a1 +b2 +c3";
}

void TestReadAhead::theRunsOwnJob() {
    QFETCH(int, places);
    QFETCH(QStringList, steps);
    QFETCH(QString, events);
    QCOMPARE(play(places, steps), events);
}

QTEST_APPLESS_MAIN(TestReadAhead)
#include "TestReadAhead.moc"
