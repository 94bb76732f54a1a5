#pragma once

#include "AnalysisWindow.h"
#include "ResultGrid.h"

#include <QWidget>
#include <functional>

class PageFetcher;
class PageRenderer;
class QLabel;
class QLineEdit;
class QPushButton;
class ResultGridView;
class WatchingEyes;

// The program's one window: the address box, Analyze and Stop, the results
// grid and the watching eyes. Analyze starts one analysis run against this
// window and the given page services and returns at once; the run goes on
// in the window's event loop. The window keeps its size and refuses to close
// while a run is in progress.
//
// Controls carry their names as object names: "Label1", "Text1",
// "Command1", "Command2", "MSFlexGrid1", "Image1_0", "Image1_1",
// "Image2_0", "Image2_1".
class Form1 : public QWidget, public AnalysisWindow {
    Q_OBJECT

public:
    using MessagePresenter = std::function<QCoro::Task<>(QString text, QString title)>;

    Form1(PageFetcher& fetcher, PageRenderer& renderer, QWidget* parent = nullptr);
    ~Form1() override;

    // Replaces the modal message box, e.g. to answer it in tests.
    void setMessagePresenter(MessagePresenter presenter) { presentMessage_ = std::move(presenter); }

    ResultGrid& grid() { return grid_; }
    ResultGridView& gridView() { return *gridView_; }
    WatchingEyes& eyes() { return *eyes_; }

    // AnalysisWindow
    QString addressText() const override;
    void setAddressText(const QString& text) override;
    void setAnalyzeEnabled(bool enabled) override;
    void setStopEnabled(bool enabled) override;
    ResultTable& resultGrid() override { return grid_; }
    QCoro::Task<> ShowMessage(QString text, QString title) override;
    void rowStarted(qint32 row) override;
    void runEnded(const RunOutcome& outcome) override { emit analysisEnded(outcome); }

signals:
    // Analyze started a run; the run has ended, after its run-end step.
    void analysisStarted();
    void analysisEnded(const RunOutcome& outcome);

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void createControls();
    void placeOnScreen();
    void Command1_Click();
    void Command2_Click();

    PageFetcher& fetcher_;
    PageRenderer& renderer_;
    ResultGrid grid_;
    MessagePresenter presentMessage_;

    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    ResultGridView* gridView_ = nullptr;
    WatchingEyes* eyes_ = nullptr;
};
