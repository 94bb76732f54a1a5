// Records N runs of a 20-row grid into the history at PATH, one after
// another as fast as it can; exits 1 with the problem on standard error at
// the first record lost.

#include "CheckHistory.h"
#include "GridColumns.h"
#include "RunTexts.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3)
        return 2;
    GridCells cells(21, QList<GridCell>(gridcol::Count));
    for (qint32 row = 1; row <= 20; ++row) {
        cells[row][gridcol::Address].text = QStringLiteral("http://shop%1.taobao.com").arg(row);
        cells[row][gridcol::LinksBack].text = runtext::LinksBack;
    }
    CheckHistory history(arguments[1]);
    for (int n = 0; n < arguments[2].toInt(); ++n) {
        CheckRecord record = recordOf(cells, std::nullopt, QStringLiteral("myshop.taobao.com"),
                                      {RunEnding::Finished, {}}, QDateTime::currentDateTime());
        if (!history.record(record)) {
            const std::optional<HistoryProblem> problem = history.takeProblem();
            std::fprintf(stderr, "record %d lost: %s\n", n,
                         qPrintable(problem ? problem->detail : QString()));
            return 1;
        }
    }
    return 0;
}
