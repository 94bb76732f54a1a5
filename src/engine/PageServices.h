#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class RunNotice;

// Why a page service has no page for an address. The run tells apart a
// failure that the next row would meet too (no answer at all), which ends
// the run, from one that belongs to the row's own address, which marks the
// row and lets the run go on.
enum class PageProblem {
    None,
    // No answer that can be read: the name, the connection, the time-out, a
    // reset, a server error, an answer cut short or over its caps.
    NoAnswer,
    // The site refused this page (HTTP 401, 403 or 429).
    Refused,
    // The address is no web address ("javascript:", "#", a bare path).
    NotWebAddress,
    // The address is on this machine or its network, by literal or by name:
    // a page never makes the program go there.
    LocalAddress,
    // The site's certificate does not verify.
    BadCertificate,
};

// A page as a page service hands it over: its text, or why there is none.
struct PageResult {
    // The whole page; empty when there is none.
    QString text;
    // Set when the text is empty; an empty text without a problem counts as
    // no answer.
    PageProblem problem = PageProblem::None;
    // What exactly went wrong, for the seller: "HTTP 403", a certificate's
    // fault, the refused address.
    QString detail;

    bool hasPage() const { return !text.isEmpty(); }
    // A failure that belongs to this page's address alone.
    bool isRowProblem() const {
        return !hasPage() && problem != PageProblem::None && problem != PageProblem::NoAnswer;
    }
};

// A row of the results grid and the address the run will inspect on it.
struct PlannedRow {
    qint32 row = 0;
    QString address;

    bool operator==(const PlannedRow&) const = default;
};

// The address the run fetches right after a row's page it fetched
// directly, read from that page's text; none when the page leads nowhere
// further. The run keeps what it read from the page, for that row and
// address, and takes it later for the page FetchPage returns there, when
// that is the same text.
using FollowUpAddress =
    std::function<std::optional<QString>(const PlannedRow& page, const QString& text)>;

// Plain page retrieval: the whole body of the page at `url` as text, or
// why there is none, once the transfer has ended.
//
// The run also says what it is going to ask for, so that a service may fetch
// pages ahead: still, the run asks for every page with FetchPage in its own
// order, and a page fetched ahead answers only its own row's request.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    virtual QCoro::Task<PageResult> FetchPage(QString url) = 0;

    // The rows the run will fetch directly, in row order, once they are
    // listed in the grid, and how to tell from a row's page which page the
    // run asks for next in that row.
    virtual void planRows(const QList<PlannedRow>& rows, const FollowUpAddress& followUp) {
        Q_UNUSED(rows);
        Q_UNUSED(followUp);
    }
    // The run is about to inspect this row.
    virtual void enterRow(qint32 row) { Q_UNUSED(row); }
    // The run has ended: nothing fetched ahead may outlive it.
    virtual void endRun() {}
};

// The embedded browser: loads an address, follows its redirects and scripts,
// and hands back the markup of the page finally shown.
class PageRenderer {
public:
    static constexpr int ReadyStateComplete = 4;

    virtual ~PageRenderer() = default;

    // Starts navigating to `url` and returns at once.
    virtual void RenderPage(const QString& url) = 0;

    // 4 once the final document of the latest RenderPage is complete; a
    // state reached for an earlier address never counts.
    virtual int ReadyState() const = 0;

    // The serialised markup of the loaded document's body, or why the load
    // failed.
    virtual PageResult bodyInnerHtml() = 0;

    // Abandons the navigation in progress so that it cannot finish later.
    virtual void stopLoading() = 0;

    // Raised whenever ReadyState() may have changed.
    virtual RunNotice& readyNotice() = 0;

    // As for PageFetcher, so that a renderer may load pages ahead: the rows
    // the run will render, in row order, once they are listed in the grid.
    // The run still renders every row with RenderPage in its own order.
    virtual void planRows(const QList<PlannedRow>& rows) { Q_UNUSED(rows); }
    // The run is about to inspect this row.
    virtual void enterRow(qint32 row) { Q_UNUSED(row); }
    // The run has ended: nothing loaded ahead, nor the run's own page, may
    // outlive it.
    virtual void endRun() {}
};
