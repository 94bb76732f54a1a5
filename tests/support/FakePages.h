#pragma once

#include "PageServices.h"
#include "RunNotice.h"

#include <QHash>
#include <QStringList>
#include <functional>

// Canned pages by exact address; an address without a page fails (no
// answer, or the failure in `failures`). Logs every address asked for and
// the run's fetch-ahead hints.
class FakeFetcher : public PageFetcher {
public:
    QHash<QString, QString> pages;
    QHash<QString, PageProblem> failures;
    QStringList requests;
    std::function<void(const QString& url)> onFetch;
    QList<PlannedRow> planned;
    QList<qint32> enteredRows;
    int runEnds = 0;

    QCoro::Task<PageResult> FetchPage(QString url) override;
    void planRows(const QList<PlannedRow>& rows, const FollowUpAddress&) override {
        planned = rows;
    }
    void enterRow(qint32 row) override { enteredRows << row; }
    void endRun() override { ++runEnds; }
};

// A browser with canned bodies by address, and failures as FakeFetcher
// has them. A load completes at once, or
// with `holdLoads` only when finishLoad() is called. Logs the run's
// render-ahead hints.
class FakeRenderer : public PageRenderer {
public:
    QHash<QString, QString> bodies;
    QHash<QString, PageProblem> failures;
    QStringList requests;
    bool holdLoads = false;
    int stops = 0;
    QList<PlannedRow> planned;
    QList<qint32> enteredRows;
    int runEnds = 0;

    void RenderPage(const QString& url) override;
    int ReadyState() const override { return complete_ ? ReadyStateComplete : 1; }
    PageResult bodyInnerHtml() override;
    void stopLoading() override { ++stops; }
    RunNotice& readyNotice() override { return ready_; }
    void planRows(const QList<PlannedRow>& rows) override { planned = rows; }
    void enterRow(qint32 row) override { enteredRows << row; }
    void endRun() override { ++runEnds; }

    void finishLoad();

private:
    QString current_;
    bool complete_ = false;
    RunNotice ready_;
};
