#pragma once

#include "PageServices.h"
#include "RunNotice.h"

#include <QHash>
#include <QStringList>
#include <functional>

// Canned pages by exact address; an address without a page fails (empty
// text). Logs every address asked for and the run's fetch-ahead hints.
class FakeFetcher : public PageFetcher {
public:
    QHash<QString, QString> pages;
    QStringList requests;
    std::function<void(const QString& url)> onFetch;
    QList<PlannedRow> planned;
    QList<qint32> enteredRows;
    int runEnds = 0;

    QCoro::Task<QString> FetchPage(QString url) override;
    void planRows(const QList<PlannedRow>& rows, const FollowUpAddress&) override {
        planned = rows;
    }
    void enterRow(qint32 row) override { enteredRows << row; }
    void endRun() override { ++runEnds; }
};

// A browser with canned bodies by address. A load completes at once, or
// with `holdLoads` only when finishLoad() is called. Logs the run's
// render-ahead hints.
class FakeRenderer : public PageRenderer {
public:
    QHash<QString, QString> bodies;
    QStringList requests;
    bool holdLoads = false;
    int stops = 0;
    QList<PlannedRow> planned;
    QList<qint32> enteredRows;
    int runEnds = 0;

    void RenderPage(const QString& url) override;
    int ReadyState() const override { return complete_ ? ReadyStateComplete : 1; }
    QString bodyInnerHtml() override { return bodies.value(current_); }
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
