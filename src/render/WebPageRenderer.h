#pragma once

#include "PageServices.h"
#include "RunNotice.h"

#include <QObject>
#include <chrono>
#include <memory>
#include <vector>

class BrowserSession;
class PageLoad;

// The embedded browser behind PageRenderer: locked-down pages that are never
// shown, one PageLoad per address. The browser starts with the first page it
// loads, so that runs without redirect links never start the browser engine,
// and takes the application proxy as it is then.
//
// Every RenderPage gets a load of its own, and the previous load is thrown
// away with all its page was still doing.
//
// Once the run has planned its redirect rows, the rows after the current one
// are loaded ahead, in row order. At most `jobs` + 1 loads are in progress
// at once, the run's own included: while the run does not wait for a page,
// loads ahead use its place too, and a row the run asks for before its load
// ahead has started takes the place of the load ahead for the furthest row,
// which starts again later. A load finished ahead keeps only its body until
// its row takes it; the bodies held stay within `jobs` times the longest
// body a load keeps, so that memory stays bounded whatever the number of
// rows. No load ahead starts while MaxPerHost navigations to its host are in
// progress, the run's own included; a page counts for the host its latest
// navigation went to, so that a page the redirect service has sent on no
// longer counts for the service. A load ahead answers only its own row's
// RenderPage for its address, once; a failure loaded ahead shows only then.
// The end of the run drops every load and the pages' cookies. With no jobs
// nothing is loaded ahead.
class WebPageRenderer : public QObject, public PageRenderer {
    Q_OBJECT

public:
    static constexpr int DefaultJobs = 2;
    static constexpr int MaxPerHost = 2;

    // `timeout` counts from the start of each load.
    explicit WebPageRenderer(std::chrono::milliseconds timeout = std::chrono::seconds(60),
                             int jobs = DefaultJobs, QObject* parent = nullptr);
    ~WebPageRenderer() override;

    void RenderPage(const QString& url) override;
    int ReadyState() const override { return state_; }
    QString bodyInnerHtml() override;
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

    struct Ahead;

    std::unique_ptr<PageLoad> load(const QString& url);
    void makeRoomForOwnLoad();
    void startLoadsAhead();
    qsizetype bodiesHeld() const;
    int navigationsTo(const QString& host) const;
    void updateState();

    std::chrono::milliseconds timeout_;
    int jobs_;
    std::unique_ptr<BrowserSession> browser_;
    qint32 currentRow_ = 0;
    // The planned rows below the current one, in row order.
    std::vector<Ahead> ahead_;
    // The load of the latest RenderPage.
    std::unique_ptr<PageLoad> current_;
    State state_ = Idle;
    RunNotice readyNotice_;
};
