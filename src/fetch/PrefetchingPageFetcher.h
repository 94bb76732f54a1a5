#pragma once

#include "PageServices.h"
#include "ReadAhead.h"

#include <QObject>
#include <chrono>
#include <memory>

class PageTransfers;
class RunCookies;

// A page fetcher that reads ahead as ReadAhead says, with `jobs` places:
// once the run has planned its rows, the pages of the rows after the
// current one, and a row's follow-up page (as the run's plan names it) once
// the row's page has arrived. The run still gets every page through
// FetchPage in its own order, and a page fetched ahead answers only its
// own row's request for its address, once; a failure fetched ahead shows
// only when the row asks. With one job the pages are fetched one after
// another, as the run asks for them.
//
// The fetches of one run share one cookie jar in memory, pages read ahead
// included, and the jar goes with the end of the run.
class PrefetchingPageFetcher : public QObject, public PageFetcher {
    Q_OBJECT

public:
    static constexpr int DefaultJobs = 4;

    explicit PrefetchingPageFetcher(PageTransfers& transfers,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(60),
                                    int jobs = DefaultJobs);
    ~PrefetchingPageFetcher() override;

    QCoro::Task<PageResult> FetchPage(QString url) override;
    void planRows(const QList<PlannedRow>& rows, const FollowUpAddress& followUp) override;
    void enterRow(qint32 row) override;
    void endRun() override;

private:
    class Fetch;

    void fetched(const Fetch& fetch);
    std::shared_ptr<RunCookies> runCookies();

    PageTransfers& transfers_;
    std::chrono::milliseconds timeout_;
    FollowUpAddress followUp_;
    std::shared_ptr<RunCookies> cookies_;
    ReadAhead<Fetch> plan_;
};
