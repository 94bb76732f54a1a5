#include "CheckHistory.h"
#include "ResultColumns.h"
#include "ResultGrid.h"
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

// A grid whose rows are written as "name|address|status|credit|links back",
// marked as a run marks them: problems red, "×" red and bold.
void fill(ResultGrid& grid, const QStringList& rows) {
    for (qsizetype at = 0; at < rows.size(); ++at) {
        const QStringList values = rows[at].split(u'|');
        const auto row = qint32(at + 1);
        if (row == grid.Rows())
            grid.AddItem(QString::number(row));
        grid.setRow(row);
        const QList<std::pair<qint32, QString>> cells{{gridcol::ShopName, values[0]},
                                                      {gridcol::Address, values[1]},
                                                      {gridcol::Status, values[2]},
                                                      {gridcol::Credit, values[3]},
                                                      {gridcol::LinksBack, values[4]}};
        for (const auto& [col, text] : cells) {
            grid.setCol(col);
            const bool problem = text == runtext::NotExisting || text == runtext::NoLinkBack ||
                                 text == runtext::NetworkBroken;
            grid.setCellForeColor(problem ? runtext::Red : runtext::NoColor);
            grid.setCellFontBold(text == runtext::NoLinkBack);
            grid.setText(text);
        }
    }
}

CheckRecord recordOfRows(const QStringList& rows, const RunOutcome& outcome = Finished,
                         const QString& address = Shop) {
    ResultGrid grid;
    setUpResultColumns(grid);
    fill(grid, rows);
    return recordOf(grid, address, outcome, QDateTime::currentDateTime());
}

// Every cell as "text|colour|bold".
QStringList cellStates(const CheckRecord& record) {
    QStringList states;
    for (const QList<ResultGrid::Cell>& row : record.cells) {
        for (const ResultGrid::Cell& cell : row)
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

// A run recorded, read back as the latest record of its address and
// compared with a later grid: a drop and every cell survive the file, and
// how the recorded run ended decides what can be compared.
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
    QCOMPARE(history.latest(Shop), std::nullopt);
    CheckRecord recorded =
        recordOfRows(before, {RunEnding(beforeEnding), QStringLiteral("提示文字")});
    QVERIFY(history.record(recorded));

    const std::optional<CheckRecord> read = history.latest(Shop);
    QVERIFY(read);
    QCOMPARE(read->id, recorded.id);
    QCOMPARE(read->endedAt, recorded.endedAt);
    QCOMPARE(read->outcome.ending, recorded.outcome.ending);
    QCOMPARE(read->outcome.message, QStringLiteral("提示文字"));
    QCOMPARE(cellStates(*read), cellStates(recorded));
    QCOMPARE(read->counts.rows, recorded.counts.rows);
    QCOMPARE(history.latest(QStringLiteral("other.taobao.com")), std::nullopt);

    const CheckRecord later = recordOfRows(now);
    QCOMPARE(kinds(compareGrids(read->checkedGrid(), later.checkedGrid())), changes);
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
    QCOMPARE(history.latest(Shop)->id, ids[0]);
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
    QCOMPARE(history.latest(Shop), std::nullopt);
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
