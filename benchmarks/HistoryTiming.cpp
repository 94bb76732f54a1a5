// The history's costs.
//
//   HistoryTiming record [RUNS]      records a run of a 200-row grid into a
//                                    new history (creating the file), then,
//                                    as a new program would, one more
//                                    (opening it), then RUNS more (default
//                                    30); prints "new_file_ms=… open_ms=…
//                                    median_ms=… max_ms=…".
//   HistoryTiming fill PATH RUNS ROWS  records RUNS runs of a ROWS-row grid
//                                    into the history at PATH, for timing
//                                    `zembrel-check --list-history`.

#include "CheckHistory.h"
#include "GridColumns.h"
#include "ResultColumns.h"
#include "ResultGrid.h"
#include "RunTexts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// A finished run's grid of `rows` friend links, every result cell filled,
// every third shop not linking back.
void fillGrid(ResultGrid& grid, int rows) {
    setUpResultColumns(grid);
    for (qint32 row = 1; row <= rows; ++row) {
        grid.AddItem(QString::number(row + 1));
        grid.setRow(row);
        const QStringList cells{
            QStringLiteral("友情店铺%1").arg(row),
            QStringLiteral("http://shop%1.taobao.com/").arg(row),
            runtext::Normal,
            QStringLiteral("掌柜%1").arg(row),
            QStringLiteral("3钻"),
            QStringLiteral("99.%1%").arg(row % 100, 2, 10, QLatin1Char('0')),
            QStringLiteral("2009-03-%1").arg(row % 28 + 1, 2, 10, QLatin1Char('0')),
            row % 3 == 0 ? runtext::NoLinkBack : runtext::LinksBack};
        for (qint32 col = gridcol::ShopName; col < gridcol::Count; ++col) {
            grid.setCol(col);
            if (cells[col - 1] == runtext::NoLinkBack) {
                grid.setCellForeColor(runtext::Red);
                grid.setCellFontBold(true);
            }
            grid.setText(cells[col - 1]);
        }
    }
}

bool recordRuns(CheckHistory& history, const ResultGrid& grid, int runs, QList<double>* times) {
    for (int n = 0; n < runs; ++n) {
        CheckRecord record =
            recordOf(grid.cells(), grid.ForeColor(), QStringLiteral("myshop.taobao.com"),
                     {RunEnding::Finished, {}}, QDateTime::currentDateTime());
        QElapsedTimer timer;
        timer.start();
        if (!history.record(record)) {
            const std::optional<HistoryProblem> problem = history.takeProblem();
            std::fprintf(stderr, "not recorded: %s\n", qPrintable(problem ? problem->detail : ""));
            return false;
        }
        if (times)
            times->append(double(timer.nsecsElapsed()) / 1e6);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.value(1) == QLatin1String("fill") && arguments.size() == 5) {
        ResultGrid grid;
        fillGrid(grid, arguments[4].toInt());
        CheckHistory history(arguments[2]);
        return recordRuns(history, grid, arguments[3].toInt(), nullptr) ? 0 : 1;
    }
    if (arguments.value(1) != QLatin1String("record"))
        return 2;
    const int runs = arguments.size() > 2 ? arguments[2].toInt() : 30;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    ResultGrid grid;
    fillGrid(grid, 200);
    QList<double> times;
    if (!recordRuns(*std::make_unique<CheckHistory>(path), grid, 1, &times))
        return 1;
    CheckHistory history(path);
    if (runs < 1 || !recordRuns(history, grid, runs + 1, &times))
        return 1;
    const double newFile = times.takeFirst();
    const double open = times.takeFirst();
    std::sort(times.begin(), times.end());
    std::printf("new_file_ms=%.2f open_ms=%.2f median_ms=%.2f max_ms=%.2f\n", newFile, open,
                times[times.size() / 2], times.last());
    return 0;
}
