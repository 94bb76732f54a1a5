#include "PrefetchingPageFetcher.h"

#include "PageRequest.h"
#include "RunCookies.h"
#include "WebAddress.h"

#include <QCoroSignal>
#include <exception>

// One page of a row, and its request once started.
class PrefetchingPageFetcher::Fetch {
public:
    // Whether the run asks for the page's follow-up next.
    enum class Kind { Own, RowPage, FollowUpPage };

    Fetch(PrefetchingPageFetcher& fetcher, qint32 row, Kind kind, QString address)
        : fetcher_(fetcher)
        , row_(row)
        , kind_(kind)
        , address_(std::move(address))
        , host_(hostOf(address_)) {}

    qint32 row() const { return row_; }
    Kind kind() const { return kind_; }
    const QString& address() const { return address_; }
    // The host the page comes from, whatever proxy carries the request.
    QString host() const { return host_; }
    const PageRequest& request() const { return *request_; }

    void start() {
        request_ = std::make_unique<PageRequest>(fetcher_.transfers_, address_, fetcher_.timeout_);
        request_->useCookies(fetcher_.runCookies());
        connect(request_.get(), &PageRequest::finished, &fetcher_,
                [this] { fetcher_.fetched(*this); });
        request_->start();
    }
    void stop() { request_.reset(); }
    bool isStarted() const { return request_ != nullptr; }
    bool inProgress() const { return request_ && !request_->isFinished(); }
    qsizetype resultSize() const { return request_ ? request_->text().size() : 0; }

private:
    PrefetchingPageFetcher& fetcher_;
    qint32 row_;
    Kind kind_;
    QString address_;
    QString host_;
    std::unique_ptr<PageRequest> request_;
};

PrefetchingPageFetcher::PrefetchingPageFetcher(PageTransfers& transfers,
                                               std::chrono::milliseconds timeout, int jobs)
    : transfers_(transfers)
    , timeout_(timeout)
    , plan_(jobs, PageRequest::MaxPageBytes) {}

PrefetchingPageFetcher::~PrefetchingPageFetcher() = default;

QCoro::Task<PageResult> PrefetchingPageFetcher::FetchPage(QString url) {
    const Fetch& fetch =
        plan_.ask(std::make_unique<Fetch>(*this, plan_.currentRow(), Fetch::Kind::Own, url));
    if (!fetch.request().isFinished())
        co_await qCoro(&fetch.request(), &PageRequest::finished);
    PageResult page = fetch.request().result();
    const std::exception_ptr failure = fetch.request().failure();
    plan_.release(fetch);
    if (failure)
        std::rethrow_exception(failure);
    co_return page;
}

void PrefetchingPageFetcher::planRows(const QList<PlannedRow>& rows,
                                      const FollowUpAddress& followUp) {
    followUp_ = followUp;
    for (const PlannedRow& row : rows)
        plan_.add(std::make_unique<Fetch>(*this, row.row, Fetch::Kind::RowPage, row.address));
    plan_.startJobs();
}

void PrefetchingPageFetcher::enterRow(qint32 row) {
    plan_.enterRow(row);
}

void PrefetchingPageFetcher::endRun() {
    plan_.end();
    followUp_ = nullptr;
    cookies_.reset();
}

// A row's page that has arrived names the page the run asks for right after
// it; a page that cannot be read now is read when its row asks for it.
void PrefetchingPageFetcher::fetched(const Fetch& fetch) {
    if (fetch.kind() == Fetch::Kind::RowPage && followUp_) {
        try {
            if (const std::optional<QString> next =
                    followUp_({fetch.row(), fetch.address()}, fetch.request().text()))
                plan_.add(
                    std::make_unique<Fetch>(*this, fetch.row(), Fetch::Kind::FollowUpPage, *next));
        } catch (...) {
        }
    }
    plan_.startJobs();
}

std::shared_ptr<RunCookies> PrefetchingPageFetcher::runCookies() {
    if (!cookies_)
        cookies_ = std::make_shared<RunCookies>();
    return cookies_;
}
