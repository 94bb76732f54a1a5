#pragma once

#include "PageServices.h"

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

    QString FetchPage(const QString& url) override;
    void planRows(const QList<PlannedRow>& rows) override { planned = rows; }
    void enterRow(qint32 row) override { enteredRows << row; }
    void endRun() override { ++runEnds; }
};

// A browser whose load completes after `passesToLoad` ReadyState reads
// (never when negative), with canned bodies by address.
class FakeRenderer : public PageRenderer {
public:
    QHash<QString, QString> bodies;
    QStringList requests;
    int passesToLoad = 2;
    int stops = 0;

    void RenderPage(const QString& url) override;
    int ReadyState() const override;
    QString bodyInnerHtml() override { return bodies.value(current_); }
    void stopLoading() override { ++stops; }

private:
    QString current_;
    mutable int reads_ = 0;
};
