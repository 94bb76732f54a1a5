#include "PrefetchingPageFetcher.h"

#include "PageRequest.h"
#include "RunCookies.h"
#include "WebAddress.h"

#include <QCoroSignal>
#include <algorithm>
#include <exception>

struct PrefetchingPageFetcher::Fetch {
    qint32 row = 0;
    Purpose purpose = Purpose::Asked;
    QString address;
    // The host the page comes from, whatever proxy carries the request.
    QString host;
    std::unique_ptr<PageRequest> request;

    bool inFlight() const { return request->isStarted() && !request->isFinished(); }
    bool before(const Fetch& other) const {
        return row != other.row ? row < other.row : purpose < other.purpose;
    }
};

PrefetchingPageFetcher::PrefetchingPageFetcher(PageTransfers& transfers,
                                               std::chrono::milliseconds timeout, int jobs)
    : transfers_(transfers)
    , timeout_(timeout)
    , jobs_(std::max(1, jobs)) {}

PrefetchingPageFetcher::~PrefetchingPageFetcher() = default;

QCoro::Task<QString> PrefetchingPageFetcher::FetchPage(const QString& url) {
    const auto ahead = std::find_if(fetches_.begin(), fetches_.end(), [&](const auto& fetch) {
        return fetch->row == currentRow_ && fetch->purpose != Purpose::Asked &&
               fetch->address == url;
    });
    Fetch& fetch = ahead != fetches_.end() ? **ahead : add(currentRow_, Purpose::Asked, url);
    startFetches();
    PageRequest* const request = fetch.request.get();
    if (!request->isFinished())
        co_await qCoro(request, &PageRequest::finished);
    QString text = request->text();
    const std::exception_ptr failure = request->failure();
    // Pages fetched ahead may have been added meanwhile: look the fetch up again.
    fetches_.erase(std::find_if(fetches_.begin(), fetches_.end(),
                                [&](const auto& item) { return item.get() == &fetch; }));
    if (failure)
        std::rethrow_exception(failure);
    co_return text;
}

void PrefetchingPageFetcher::planRows(const QList<PlannedRow>& rows,
                                      const FollowUpAddress& followUp) {
    if (jobs_ == 1)
        return;
    followUp_ = followUp;
    for (const PlannedRow& row : rows) {
        if (row.row > currentRow_)
            add(row.row, Purpose::RowPage, row.address);
    }
    startFetches();
}

void PrefetchingPageFetcher::enterRow(qint32 row) {
    currentRow_ = row;
    // A page fetched ahead serves only its own row.
    dropFetches([row](const Fetch& fetch) { return fetch.row < row; });
    startFetches();
}

void PrefetchingPageFetcher::endRun() {
    dropFetches([](const Fetch&) { return true; });
    currentRow_ = 0;
    followUp_ = nullptr;
    cookies_.reset();
}

PrefetchingPageFetcher::Fetch& PrefetchingPageFetcher::add(qint32 row, Purpose purpose,
                                                           const QString& address) {
    auto fetch = std::make_unique<Fetch>();
    fetch->row = row;
    fetch->purpose = purpose;
    fetch->address = address;
    fetch->host = webAddress(address).host().toLower();
    fetch->request = std::make_unique<PageRequest>(transfers_, address, timeout_);
    if (!cookies_)
        cookies_ = std::make_shared<RunCookies>();
    fetch->request->useCookies(cookies_);
    Fetch& added = *fetch;
    connect(added.request.get(), &PageRequest::finished, this, [this, &added] { fetched(added); });
    const auto place =
        std::upper_bound(fetches_.begin(), fetches_.end(), fetch,
                         [](const auto& one, const auto& other) { return one->before(*other); });
    fetches_.insert(place, std::move(fetch));
    return added;
}

// Starts waiting fetches in order while places are free.
void PrefetchingPageFetcher::startFetches() {
    for (const auto& fetch : fetches_) {
        if (inFlight_ >= jobs_)
            return;
        if (fetch->request->isStarted() || inFlightByHost_.value(fetch->host) >= MaxPerHost)
            continue;
        ++inFlight_;
        ++inFlightByHost_[fetch->host];
        fetch->request->start();
    }
}

void PrefetchingPageFetcher::fetched(Fetch& fetch) {
    leave(fetch);
    if (fetch.purpose == Purpose::RowPage)
        fetchFollowUpAhead(fetch);
    startFetches();
}

// The run asks for a page's follow-up right after the page itself.
void PrefetchingPageFetcher::fetchFollowUpAhead(const Fetch& rowPage) {
    if (!followUp_)
        return;
    // A page that cannot be read now is read when its row asks for it.
    try {
        if (const std::optional<QString> next = followUp_(rowPage.request->text()))
            add(rowPage.row, Purpose::FollowUpPage, *next);
    } catch (...) {
    }
}

// Gives back the places a finished or cancelled fetch took.
void PrefetchingPageFetcher::leave(const Fetch& fetch) {
    --inFlight_;
    if (--inFlightByHost_[fetch.host] == 0)
        inFlightByHost_.remove(fetch.host);
}

// Cancels and forgets the fetches that match.
void PrefetchingPageFetcher::dropFetches(const std::function<bool(const Fetch&)>& matches) {
    const auto dropped = std::stable_partition(fetches_.begin(), fetches_.end(),
                                               [&](const auto& fetch) { return !matches(*fetch); });
    for (auto fetch = dropped; fetch != fetches_.end(); ++fetch) {
        if ((*fetch)->inFlight())
            leave(**fetch);
        (*fetch)->request->cancel();
    }
    fetches_.erase(dropped, fetches_.end());
}
