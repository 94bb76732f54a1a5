#pragma once

#include "AnalysisWindow.h"
#include "ResultGrid.h"

#include <QStringList>
#include <functional>

// A results grid that logs every write in order, as "r,c text",
// "r,c color=N", "r,c bold=1", "fore=N" and "add text", on top of a real
// ResultGrid.
class RecordingGrid : public ResultTable {
public:
    ResultGrid grid;
    QStringList writes;

    qint32 Rows() const override { return grid.Rows(); }
    qint32 Cols() const override { return grid.Cols(); }
    qint32 Row() const override { return grid.Row(); }
    void setRow(qint32 row) override { grid.setRow(row); }
    qint32 Col() const override { return grid.Col(); }
    void setCol(qint32 col) override { grid.setCol(col); }
    QString Text() const override { return grid.Text(); }
    void setText(const QString& text) override;
    void setCellForeColor(quint32 color) override;
    void setCellFontBold(bool bold) override;
    void setCellNote(const QString& note) override { grid.setCellNote(note); }
    void setForeColor(quint32 color) override;
    void AddItem(const QString& text) override;
    void setColWidth(qint32 col, qint32 twips) override { grid.setColWidth(col, twips); }

    // The writes made to one row, without the row prefix, e.g. "3 正常".
    QStringList writesToRow(qint32 row) const;

private:
    QString at() const;
};

// The window as the engine sees it, with a message log; boxes are answered
// at once. `onMessage` runs inside every ShowMessage(), `onRowStarted` when
// the run starts a row.
class FakeWindow : public AnalysisWindow {
public:
    FakeWindow();

    QString address;
    bool analyzeEnabled = true;
    bool stopEnabled = false;
    RecordingGrid table;
    QStringList messages; // "title: text"
    QList<qint32> startedRows;
    int runEnds = 0;
    RunOutcome outcome; // of the last run
    std::function<void()> onMessage;
    std::function<void(qint32 row)> onRowStarted;

    ResultGrid& grid() { return table.grid; }
    // Text, colour and bold of one cell as "text|color|bold".
    QString cellState(qint32 row, qint32 col) const;

    QString addressText() const override { return address; }
    void setAddressText(const QString& text) override { address = text; }
    void setAnalyzeEnabled(bool enabled) override { analyzeEnabled = enabled; }
    void setStopEnabled(bool enabled) override { stopEnabled = enabled; }
    ResultTable& resultGrid() override { return table; }
    QCoro::Task<> ShowMessage(QString text, QString title) override;
    void rowStarted(qint32 row) override;
    void runEnded(const RunOutcome& ended) override {
        ++runEnds;
        outcome = ended;
    }

    // The Stop button.
    void pressStop() { requestStop(); }
};
