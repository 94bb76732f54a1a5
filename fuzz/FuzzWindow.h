#pragma once

#include "AnalysisWindow.h"
#include "PageServices.h"
#include "ResultGrid.h"
#include "ResultTable.h"
#include "RunNotice.h"

#include <QList>
#include <QStringList>
#include <functional>

// The results grid behind checks of every call: a cursor move outside the
// table aborts the fuzz target instead of writing past the end (the grid's
// own assertions are compiled out in this build), and only the colours and
// row numbers the run may write are accepted.
class CheckingGrid : public ResultTable {
public:
    using Cell = ResultGrid::Cell;

    qint32 Rows() const override { return grid_.Rows(); }
    qint32 Cols() const override { return grid_.Cols(); }
    qint32 Row() const override { return grid_.Row(); }
    void setRow(qint32 row) override;
    qint32 Col() const override { return grid_.Col(); }
    void setCol(qint32 col) override;
    QString Text() const override { return grid_.Text(); }
    void setText(const QString& text) override { grid_.setText(text); }
    void setCellForeColor(quint32 color) override;
    void setCellFontBold(bool bold) override { grid_.setCellFontBold(bold); }
    void setCellNote(const QString& note) override { grid_.setCellNote(note); }
    void setForeColor(quint32 color) override;
    void AddItem(const QString& text) override;
    void setColWidth(qint32 col, qint32 twips) override;

    const Cell& cell(qint32 row, qint32 col) const { return grid_.cell(row, col); }

private:
    ResultGrid grid_;
};

// The window of a fuzzed run. Checks on every call from the run that a run
// is in progress (Analyze disabled, Stop enabled); message boxes are
// answered at once.
class FuzzWindow : public AnalysisWindow {
public:
    FuzzWindow();

    QString address;
    bool analyzeEnabled = true;
    bool stopEnabled = false;
    qint16 stopRequested = 0;
    CheckingGrid grid;
    int messages = 0;

    // Checks that a run is in progress; called by the page services too.
    void checkRunning() const;

    QString addressText() const override { return address; }
    void setAddressText(const QString& text) override;
    void setAnalyzeEnabled(bool enabled) override { analyzeEnabled = enabled; }
    void setStopEnabled(bool enabled) override { stopEnabled = enabled; }
    qint16 StopRequested() const override { return stopRequested; }
    void setStopRequested(qint16 value) override;
    RunNotice& stopNotice() override { return stop_; }
    ResultTable& resultGrid() override { return grid; }
    QCoro::Task<> ShowMessage(QString text, QString title) override;

    // The Stop button, pressed while the run waits.
    void pressStop();

private:
    RunNotice stop_;
};

// Page fetcher and browser in one: every FetchPage and every body read takes
// the next page of `pages` (empty text, no answer, once they run out). A
// page of one character from U+0001 to U+0005 is a failure of that kind
// (PageProblem). A load completes at once, or with `holdLoads` when
// finishLoad() is called.
class ScriptedPages : public PageFetcher, public PageRenderer {
public:
    explicit ScriptedPages(const FuzzWindow& window);

    QStringList pages;
    bool holdLoads = false;
    int fetches = 0;
    int renders = 0;

    QCoro::Task<PageResult> FetchPage(QString url) override;
    void RenderPage(const QString& url) override;
    int ReadyState() const override;
    PageResult bodyInnerHtml() override;
    void stopLoading() override { loading_ = false; }
    RunNotice& readyNotice() override { return ready_; }

    bool isLoading() const { return loading_ && !complete_; }
    void finishLoad();

private:
    PageResult nextPage();

    const FuzzWindow& window_;
    qsizetype next_ = 0;
    bool loading_ = false;
    bool complete_ = false;
    RunNotice ready_;
};
