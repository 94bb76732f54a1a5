#include "CheckRecorder.h"
#include "GridColumns.h"
#include "RunTexts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Shop = QStringLiteral("myshop.taobao.com");
const RunOutcome Finished{RunEnding::Finished, {}};

// A grid under an empty header row whose rows are written as
// "name|address|status|credit|links back", marked as a run marks them:
// problems red, "×" red and bold.
CheckRecord recordOfRows(const QStringList& rows, const RunOutcome& outcome = Finished,
                         const QString& address = Shop) {
    GridCells cells{QList<GridCell>(gridcol::Count)};
    const QList<qint32> cols{gridcol::ShopName, gridcol::Address, gridcol::Status, gridcol::Credit,
                             gridcol::LinksBack};
    for (const QString& row : rows) {
        const QStringList values = row.split(u'|');
        QList<GridCell> line(gridcol::Count);
        for (qsizetype at = 0; at < cols.size(); ++at) {
            const QString& text = values[at];
            const bool problem = text == runtext::NotExisting || text == runtext::NoLinkBack ||
                                 text == runtext::NetworkBroken;
            line[cols[at]] = {
                text, problem ? runtext::Red : runtext::NoColor, text == runtext::NoLinkBack, {}};
        }
        cells.append(line);
    }
    return recordOf(cells, std::nullopt, address, outcome, QDateTime::currentDateTime());
}

// Every cell as "text|colour|bold".
QStringList cellStates(const CheckRecord& record) {
    QStringList states;
    for (const QList<GridCell>& row : record.cells) {
        for (const GridCell& cell : row)
            states << QStringLiteral("%1|%2|%3").arg(cell.text).arg(cell.color).arg(cell.bold);
    }
    return states;
}

QStringList kinds(const QList<GridChange>& changes) {
    QStringList texts;
    for (const GridChange& change : changes)
        texts << kindText(change.kind);
    return texts;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

// The history of checks on its own: what a record keeps, the bad files it
// sets aside, and two programs writing at once.
class TestCheckHistory : public QObject {
    Q_OBJECT

private slots:
    void recordThenCompare_data();
    void recordThenCompare();
    void listAndDelete();
    void badFileIsMovedAside_data();
    void badFileIsMovedAside();
    void unwritableFolderLosesOnlyTheRecord();
    void twoProgramsWritingAtOnce();

private:
    QTemporaryDir dir_;
};

// A run recorded, then compared by the recorder with a later run: the
// earlier run read back as the latest record of its address keeps a drop
// and every cell, and how it ended decides what can be compared.
void TestCheckHistory::recordThenCompare_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("beforeEnding");
    QTest::addColumn<QStringList>("now");
    QTest::addColumn<QStringList>("changes");

    const QString a = QStringLiteral("甲|a|正常|3心|√");
    const QString b = QStringLiteral("乙|b|正常|2钻|×");
    const int finished = int(RunEnding::Finished);
    QTest::newRow("nothing changed")
        << QStringList{a, b} << finished << QStringList{a, b} << QStringList{};
    QTest::newRow("stopped linking back")
        << QStringList{a, b} << finished << QStringList{"甲|a|正常|3心|×", b}
        << QStringList{"不再链接你"};
    QTest::newRow("stopped before: not compared")
        << QStringList{"甲|a|用户中止||"} << int(RunEnding::Stopped) << QStringList{a}
        << QStringList{"未能比较"};
    // Its grid was the run before it: none of those rows is compared.
    QTest::newRow("ended at a message before listing")
        << QStringList{a} << int(RunEnding::Message) << QStringList{a} << QStringList{"未能比较"};
}

void TestCheckHistory::recordThenCompare() {
    QFETCH(QStringList, before);
    QFETCH(int, beforeEnding);
    QFETCH(QStringList, now);
    QFETCH(QStringList, changes);

    QTemporaryDir dir;
    CheckHistory history(dir.filePath(QStringLiteral("history.sqlite")));
    CheckRecorder recorder(history, CheckRecorder::Comparing::EveryRun,
                           CheckRecorder::Recording::On);
    const RecordedRun first = recorder.runEnded(
        recordOfRows(before, {RunEnding(beforeEnding), QStringLiteral("提示文字")}));
    QCOMPARE(first.previous, std::nullopt);
    const RecordedRun second = recorder.runEnded(recordOfRows(now));

    QVERIFY(second.previous);
    const CheckRecord& read = *second.previous;
    QCOMPARE(read.id, first.run.id);
    QCOMPARE(read.endedAt, first.run.endedAt);
    QCOMPARE(read.outcome.ending, first.run.outcome.ending);
    QCOMPARE(read.outcome.message, QStringLiteral("提示文字"));
    QCOMPARE(cellStates(read), cellStates(first.run));
    QCOMPARE(read.counts.rows, first.run.counts.rows);
    QVERIFY(history.recent(QStringLiteral("other.taobao.com"), 1).isEmpty());
    QCOMPARE(kinds(second.changes), changes);
    QCOMPARE(history.takeProblem(), std::nullopt);
}

// Newest first, all addresses or one; one check or all of an address
// deleted.
void TestCheckHistory::listAndDelete() {
    CheckHistory history(dir_.filePath(QStringLiteral("list.sqlite")));
    const QString other = QStringLiteral("other.taobao.com");
    QList<qint64> ids;
    for (const QString& address : {Shop, other, Shop}) {
        CheckRecord record =
            recordOfRows({"甲|a|正常|3心|√", "乙|b|不存在||", "丙|c|网络中断||"},
                         {RunEnding::NetworkFailure, runtext::NetworkFailed}, address);
        QVERIFY(history.record(record));
        ids << record.id;
    }
    const auto idsOf = [](const QList<CheckSummary>& checks) {
        QList<qint64> found;
        for (const CheckSummary& check : checks)
            found << check.id;
        return found;
    };
    QCOMPARE(idsOf(history.list()), (QList<qint64>{ids[2], ids[1], ids[0]}));
    QCOMPARE(idsOf(history.list(Shop)), (QList<qint64>{ids[2], ids[0]}));
    const CheckCounts counts = history.list(Shop).first().counts;
    QCOMPARE((QList<int>{counts.rows, counts.linksBack, counts.noLinkBack, counts.notExisting,
                         counts.notChecked}),
             (QList<int>{3, 1, 0, 1, 1}));

    QVERIFY(history.remove(ids[2]));
    QCOMPARE(history.recent(Shop, 1).value(0).id, ids[0]);
    QVERIFY(history.removeAll(Shop));
    QCOMPARE(idsOf(history.list()), QList<qint64>{ids[1]});
    QCOMPARE(history.load(ids[0]), std::nullopt);
}

void TestCheckHistory::badFileIsMovedAside_data() {
    QTest::addColumn<QString>("make"); // how the file is made
    QTest::newRow("not a database") << "garbage";
    QTest::newRow("newer schema") << "newer";
    QTest::newRow("another program's database") << "foreign";
}

// The file is renamed aside with its log, unchanged, and a new history
// started; the seller is told once.
void TestCheckHistory::badFileIsMovedAside() {
    QFETCH(QString, make);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    if (make == QLatin1String("garbage")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), make);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(make == QLatin1String("newer") ? "PRAGMA user_version = 99"
                                                          : "CREATE TABLE notes (text TEXT)"));
    }
    QSqlDatabase::removeDatabase(make);
    QFile original(path);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();

    CheckHistory history(path);
    CheckRecord record = recordOfRows({"甲|a|正常|3心|√"});
    QVERIFY(history.record(record));
    QVERIFY(history.record(record));

    const QStringList files = filesIn(dir.path());
    QCOMPARE(files.filter(QStringLiteral(".broken-")).size(), 1);
    QFile aside(dir.filePath(files.filter(QStringLiteral(".broken-")).first()));
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), bytes);
    QCOMPARE(history.list().size(), 2);
    const std::optional<HistoryProblem> problem = history.takeProblem();
    QVERIFY(problem);
    QCOMPARE(problem->kind, HistoryProblem::Kind::MovedAside);
    QCOMPARE(problem->path, aside.fileName());
    QCOMPARE(history.takeProblem(), std::nullopt);
}

// A history whose folder cannot be made: nothing is recorded or found, and
// the seller is told once.
void TestCheckHistory::unwritableFolderLosesOnlyTheRecord() {
    const QString blocker = dir_.filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    CheckHistory history(blocker + QStringLiteral("/zembrel/history.sqlite"));
    CheckRecord record = recordOfRows({"甲|a|正常|3心|√"});

    QVERIFY(!history.record(record));
    QVERIFY(!history.record(record));
    QVERIFY(history.recent(Shop, 1).isEmpty());
    const std::optional<HistoryProblem> problem = history.takeProblem();
    QVERIFY(problem);
    QCOMPARE(problem->kind, HistoryProblem::Kind::Unusable);
    QCOMPARE(history.takeProblem(), std::nullopt);
    QCOMPARE(filesIn(dir_.path()).filter(QStringLiteral("broken")), QStringList{});
}

// Two programs each record runs as fast as they can into one new file; the
// busy one waits, and every record is kept.
void TestCheckHistory::twoProgramsWritingAtOnce() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    constexpr int Records = 100;
    QList<QProcess*> writers;
    for (int n = 0; n < 2; ++n) {
        auto* writer = new QProcess(this);
        writer->start(QStringLiteral(HISTORY_WRITER_PATH), {path, QString::number(Records)});
        writers << writer;
    }
    for (QProcess* writer : writers) {
        QVERIFY(writer->waitForFinished(60'000));
        QVERIFY2(writer->exitCode() == 0, writer->readAllStandardError().constData());
    }
    CheckHistory history(path);
    QCOMPARE(history.list().size(), 2 * Records);
}

QTEST_GUILESS_MAIN(TestCheckHistory)
#include "TestCheckHistory.moc"
