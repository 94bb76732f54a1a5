#pragma once

#include "PageServices.h"
#include "ReadAhead.h"
#include "RunNotice.h"

#include <QObject>
#include <chrono>
#include <memory>

class BrowserSession;
class PageLoad;
class RefusedHosts;

// The embedded browser behind PageRenderer: locked-down pages that are never
// shown, one PageLoad per address. The browser starts with the first page it
// loads, so that runs without redirect links never start the browser engine,
// and takes the application proxy as it is then.
//
// Every RenderPage gets a load of its own, and the previous load is thrown
// away with all its page was still doing.
//
// Once the run has planned its redirect rows, the rows after the current one
// are loaded ahead as ReadAhead says, with `jobs` + 1 places: the run's own
// place serves loads ahead while the run does not wait for a page. A load
// finished ahead keeps only its serialised body; a load ahead answers only
// its own row's RenderPage for its address, once, and a failure loaded ahead
// shows only then. The end of the run drops every load and the pages'
// cookies. With no jobs nothing is loaded ahead.
class WebPageRenderer : public QObject, public PageRenderer {
    Q_OBJECT

public:
    static constexpr int DefaultJobs = 2;

    // `timeout` counts from the start of each load.
    explicit WebPageRenderer(std::chrono::milliseconds timeout = std::chrono::seconds(60),
                             int jobs = DefaultJobs, QObject* parent = nullptr);
    ~WebPageRenderer() override;

    // The hosts whose addresses the browser's connections were refused, so
    // that a load that fails on one says so; none by default.
    void setRefusedHosts(const RefusedHosts* hosts) { refusedHosts_ = hosts; }

    void RenderPage(const QString& url) override;
    int ReadyState() const override { return state_; }
    PageResult bodyInnerHtml() override;
    void stopLoading() override;
    // Raised on every change of ReadyState().
    RunNotice& readyNotice() override { return readyNotice_; }

    void planRows(const QList<PlannedRow>& rows) override;
    void enterRow(qint32 row) override;
    void endRun() override;

    // Pages open, the run's own included: loads in progress.
    int pagesOpen() const;

private:
    enum State { Idle = 0, Loading = 1, Complete = ReadyStateComplete };

    class Load;

    std::unique_ptr<PageLoad> load(const QString& url);
    void releaseOwnLoad();
    void updateState();

    std::chrono::milliseconds timeout_;
    const RefusedHosts* refusedHosts_ = nullptr;
    std::unique_ptr<BrowserSession> browser_;
    ReadAhead<Load> plan_;
    // The load of the latest RenderPage.
    const Load* current_ = nullptr;
    State state_ = Idle;
    RunNotice readyNotice_;
};
