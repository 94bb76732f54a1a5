#pragma once

#include "AnalysisWindow.h"
#include "PageServices.h"
#include "ResultGrid.h"
#include "ResultTable.h"

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
    void setForeColor(quint32 color) override;
    void AddItem(const QString& text) override;
    void setColWidth(qint32 col, qint32 twips) override;

    const Cell& cell(qint32 row, qint32 col) const { return grid_.cell(row, col); }

private:
    ResultGrid grid_;
};

// The window of a fuzzed run. Checks on every call from the run that a run
// is in progress (Analyze disabled, Stop enabled). `onPump` runs inside
// PumpEvents(), as a Stop click or an address edit would.
class FuzzWindow : public AnalysisWindow {
public:
    FuzzWindow();

    QString address;
    bool analyzeEnabled = true;
    bool stopEnabled = false;
    qint16 stopRequested = 0;
    CheckingGrid grid;
    int messages = 0;
    int pumps = 0;
    std::function<void(int pump)> onPump;

    // Checks that a run is in progress; called by the page services too.
    void checkRunning() const;

    QString addressText() const override { return address; }
    void setAddressText(const QString& text) override;
    void setAnalyzeEnabled(bool enabled) override { analyzeEnabled = enabled; }
    void setStopEnabled(bool enabled) override { stopEnabled = enabled; }
    qint16 StopRequested() const override { return stopRequested; }
    void setStopRequested(qint16 value) override;
    ResultTable& resultGrid() override { return grid; }
    void ShowMessage(const QString& text, const QString& title) override;
    void PumpEvents() override;
};

// Page fetcher and browser in one: every FetchPage and every body read takes
// the next page of `pages` (empty text, a failure, once they run out). A
// load completes after `passesToLoad` state reads, never when negative.
class ScriptedPages : public PageFetcher, public PageRenderer {
public:
    explicit ScriptedPages(const FuzzWindow& window);

    QStringList pages;
    int passesToLoad = 1;
    int fetches = 0;
    int renders = 0;

    QString FetchPage(const QString& url) override;
    void RenderPage(const QString& url) override;
    int ReadyState() const override;
    QString bodyInnerHtml() override;
    void stopLoading() override { loading_ = false; }

private:
    QString nextPage();

    const FuzzWindow& window_;
    qsizetype next_ = 0;
    bool loading_ = false;
    mutable int reads_ = 0;
};
