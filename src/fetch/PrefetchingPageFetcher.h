#pragma once

#include "PageServices.h"

#include <QHash>
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class PageRequest;
class PageTransfers;
class RunCookies;

// A page fetcher that reads ahead: once the run has planned its rows, the
// pages of the rows after the current one are fetched at up to `jobs` at
// once (never more than MaxPerHost to one host), and a row's page that
// arrives early has its follow-up page, as the run's plan names it, fetched
// early too. The run still gets every page through FetchPage in its own
// order: a row's own page, fetched ahead, answers only that row's request
// for that address, and only once; a failure fetched ahead shows only when
// the row asks. Anything else is fetched when asked for. The end of the run cancels every pending
// fetch and drops every page fetched ahead. With one job nothing is fetched ahead.
//
// Every fetch, the run's own included, takes a place among the `jobs`; the
// run's own fetch comes first, then the pages of the earliest rows.
//
// The fetches of one run share one cookie jar in memory, pages read ahead
// included, and the jar goes with the end of the run.
class PrefetchingPageFetcher : public QObject, public PageFetcher {
    Q_OBJECT

public:
    static constexpr int DefaultJobs = 4;
    static constexpr int MaxPerHost = 2;

    explicit PrefetchingPageFetcher(PageTransfers& transfers,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(60),
                                    int jobs = DefaultJobs);
    ~PrefetchingPageFetcher() override;

    QCoro::Task<QString> FetchPage(const QString& url) override;
    void planRows(const QList<PlannedRow>& rows, const FollowUpAddress& followUp) override;
    void enterRow(qint32 row) override;
    void endRun() override;

    // Fetches started and not yet finished.
    int fetchesInFlight() const { return inFlight_; }

private:
    // What a fetch is for, in the order fetches are started within a row.
    enum class Purpose { Asked, RowPage, FollowUpPage };

    struct Fetch;
    using Fetches = std::vector<std::unique_ptr<Fetch>>;

    Fetch& add(qint32 row, Purpose purpose, const QString& address);
    void startFetches();
    void fetched(Fetch& fetch);
    void fetchFollowUpAhead(const Fetch& rowPage);
    void leave(const Fetch& fetch);
    void dropFetches(const std::function<bool(const Fetch&)>& matches);

    PageTransfers& transfers_;
    std::chrono::milliseconds timeout_;
    int jobs_;
    qint32 currentRow_ = 0;
    FollowUpAddress followUp_;
    // Sorted by row, then purpose.
    Fetches fetches_;
    std::shared_ptr<RunCookies> cookies_;
    int inFlight_ = 0;
    QHash<QString, int> inFlightByHost_;
};
