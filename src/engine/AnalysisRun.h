#pragma once

#include "PageServices.h"
#include "RunOutcome.h"
#include "ShopPage.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <optional>

class AnalysisWindow;
class ResultTable;

// One analysis run, started by the Analyze button: reads the own shop page,
// lists its friend links in the results grid, then inspects every linked
// shop in turn. Every wait (a page, the browser, a message box) is awaited on
// the caller's event loop; the task ends when the run has ended, and every
// end leaves Analyze enabled and Stop disabled. An exception that escapes
// the run (memory exhausted, say) ends it too, after a message naming the
// problem; the task's result is then false. The window and the page
// services must outlive the task.
QCoro::Task<bool> runAnalysis(AnalysisWindow& window, PageFetcher& fetcher, PageRenderer& renderer);

class AnalysisRun {
public:
    AnalysisRun(AnalysisWindow& window, PageFetcher& fetcher, PageRenderer& renderer);

    QCoro::Task<> execute();
    // Ends a run that an exception broke off.
    QCoro::Task<> fail(QString problem);

private:
    enum class RowEnd { Done, RunEnded };
    enum class FailureForm { GridWide, Cell };

    // Own shop page: on success, ownShopName_ is set and the friend-link
    // block returned; otherwise the message has been shown.
    QCoro::Task<std::optional<QString>> readOwnShop();
    QCoro::Task<bool> listFriendLinks(QString linkBlock);
    void clearResultCells();
    QCoro::Task<> inspectRows();
    QCoro::Task<RowEnd> inspectDirectRow(PlannedRow row);
    std::optional<QString> readAhead(const PlannedRow& row, const QString& page);
    shoppage::ShopReading takeShopReading(const PlannedRow& row, const QString& page);
    QCoro::Task<RowEnd> inspectRedirectRow(QString address);
    QCoro::Task<RowEnd> pageMissing(PageResult page, FailureForm form);
    QCoro::Task<RowEnd> writeReading(QString page, shoppage::ShopReading reading);
    QCoro::Task<bool> waitForRenderer();
    QCoro::Task<RowEnd> writeShopValues(QString page, shoppage::ShopValues values);
    void writeCell(qint32 col, const QString& text);
    void writeValue(qint32 col, const std::optional<QString>& value);
    void writeVerdict(const QString& page, qint32 from);
    void writeProblem(const QString& text, const QString& note = {});
    QCoro::Task<> showMessage(QString text);
    QCoro::Task<> networkFailure(FailureForm form);
    bool stopAfterRow(qint32 row);
    void stopPageServices();
    void finish();
    void endRun();

    AnalysisWindow& window_;
    ResultTable& grid_;
    PageFetcher& fetcher_;
    PageRenderer& renderer_;
    QString ownShopName_;
    // How the run ended, as far as it has got.
    RunOutcome outcome_;
    // The rows that will be fetched directly and those that will be
    // rendered, for page services that work ahead.
    QList<PlannedRow> plannedFetches_;
    QList<PlannedRow> plannedRenders_;
    // Shop pages the fetcher got ahead of the run, read as they arrived so
    // that the fetcher can ask for their follow-up pages, the latest for
    // each row and address; each row takes its page's reading from here
    // instead of reading the same page again.
    struct ReadPage {
        PlannedRow row;
        QString page;
        shoppage::ShopReading reading;
    };
    QList<ReadPage> readAhead_;
};
