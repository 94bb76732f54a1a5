#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <memory>
#include <vector>

namespace readahead {

// Jobs in progress on one host at once, beyond which no job ahead starts.
inline constexpr int MaxPerHost = 2;

} // namespace readahead

// When the pages a run will ask for are started: the one policy of every
// page service that works ahead of the run, the plain fetcher's and the
// browser's. A job is one page a row needs; the run's own job is the one it
// asks for and waits on, and every other job is a job ahead, kept in row
// order (within a row, in the order the jobs were added).
//
// Places: at most `places` jobs are in progress at once, the run's own
// included. A job holds a place from its start until its work is done or
// dropped; a job done ahead keeps only its result. With one place nothing
// is done ahead.
//
// - Jobs ahead start in order while a place is free, except that none
//   starts while MaxPerHost jobs in progress are on its host (the host it
//   is on now: a page that was sent elsewhere counts for where it went), nor
//   while the results held ahead reach `places` - 1 times the largest
//   result one job keeps, so that memory stays bounded whatever the number
//   of rows.
// - The run's own job starts at once: the run waits on it, and work ahead
//   only saves the run time. When the run asks for a job ahead of its row,
//   that job becomes its own, started or done as it is; when every place is
//   held, or MaxPerHost jobs are in progress on its host, the furthest job
//   ahead in progress (on that host) gives its place up and starts again
//   later.
// - A job ahead serves only its own row: entering a row drops the jobs ahead
//   of the rows before it, and the end of the run drops every job.
//
// `Job` provides: `qint32 row() const`; `const QString& address() const`;
// `void start()`, which must not end the work before it returns;
// `void stop()`, which drops the work as if it had never started;
// `bool isStarted() const`; `bool inProgress() const`; `QString host()
// const`, the host its work is on (its address's until started); and
// `qsizetype resultSize() const`, the size of the result it keeps once done.
// The service calls startJobs() after adding jobs and whenever a job's work
// ends or changes host.
template <typename Job> class ReadAhead {
public:
    using JobPointer = std::unique_ptr<Job>;

    ReadAhead(int places, qsizetype largestResult)
        : places_(std::max(1, places))
        , heldLimit_(qsizetype(places_ - 1) * largestResult) {}

    qint32 currentRow() const { return currentRow_; }

    // A job ahead, for its row after the row's earlier jobs; none with one
    // place or for a row the run has left. It starts at the next
    // startJobs(), so that a whole plan is added in one pass.
    void add(JobPointer job) {
        if (places_ == 1 || job->row() < currentRow_)
            return;
        const auto after = std::upper_bound(
            ahead_.begin(), ahead_.end(), job->row(),
            [](qint32 row, const JobPointer& other) { return row < other->row(); });
        ahead_.insert(after, std::move(job));
    }

    // The run has moved on to `row`.
    void enterRow(qint32 row) {
        currentRow_ = row;
        std::erase_if(ahead_, [row](const JobPointer& job) { return job->row() < row; });
        startJobs();
    }

    // The run asks for `wanted`'s address in the current row: the job ahead
    // for it becomes the run's own if there is one, `wanted` otherwise. It
    // stays the run's until released.
    Job& ask(JobPointer wanted) {
        const auto ahead = std::find_if(ahead_.begin(), ahead_.end(), [&](const JobPointer& job) {
            return job->row() == currentRow_ && job->address() == wanted->address();
        });
        if (ahead != ahead_.end()) {
            wanted = std::move(*ahead);
            ahead_.erase(ahead);
        }
        Job& own = *own_.emplace_back(std::move(wanted));
        if (!own.isStarted()) {
            makeRoomOn(own.host());
            own.start();
        }
        startJobs();
        return own;
    }

    // The run is done with a job of its own. A job still in progress frees
    // its place for the run's next job; startJobs() gives it to a job ahead.
    void release(const Job& job) {
        const auto own = std::find_if(own_.begin(), own_.end(),
                                      [&](const JobPointer& one) { return one.get() == &job; });
        if (own != own_.end())
            own_.erase(own);
    }

    // The run has ended.
    void end() {
        ahead_.clear();
        own_.clear();
        currentRow_ = 0;
    }

    void startJobs() {
        int busy = 0;
        QHash<QString, int> busyOn;
        qsizetype held = 0;
        for (const auto* jobs : {&own_, &ahead_}) {
            for (const JobPointer& job : *jobs) {
                if (job->inProgress()) {
                    ++busy;
                    ++busyOn[job->host()];
                } else if (jobs == &ahead_ && job->isStarted()) {
                    held += job->resultSize();
                }
            }
        }
        for (const JobPointer& job : ahead_) {
            if (busy >= places_ || held >= heldLimit_)
                return;
            if (job->isStarted() || busyOn.value(job->host()) >= readahead::MaxPerHost)
                continue;
            job->start();
            ++busy;
            ++busyOn[job->host()];
        }
    }

    // Jobs in progress, the run's own included.
    int inProgress() const {
        const auto busy = [](const JobPointer& job) { return job->inProgress(); };
        return int(std::ranges::count_if(own_, busy) + std::ranges::count_if(ahead_, busy));
    }

private:
    void makeRoomOn(const QString& host) {
        const auto busyOnHost = [&](const JobPointer& job) {
            return job->inProgress() && job->host() == host;
        };
        if (std::ranges::count_if(own_, busyOnHost) + std::ranges::count_if(ahead_, busyOnHost) >=
            readahead::MaxPerHost)
            stopFurthest(busyOnHost);
        if (inProgress() >= places_)
            stopFurthest([](const JobPointer& job) { return job->inProgress(); });
    }

    template <typename Matches> void stopFurthest(const Matches& matches) {
        const auto furthest = std::find_if(ahead_.rbegin(), ahead_.rend(), matches);
        if (furthest != ahead_.rend())
            (*furthest)->stop();
    }

    int places_;
    qsizetype heldLimit_;
    qint32 currentRow_ = 0;
    std::vector<JobPointer> ahead_;
    std::vector<JobPointer> own_;
};
