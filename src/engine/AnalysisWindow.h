#pragma once

#include <QString>
#include <QtGlobal>

class ResultTable;

// What an analysis run needs of the window it runs in: the address box, the
// two buttons' enabled states, the stop flag, the results grid, message boxes
// and the event pump.
class AnalysisWindow {
public:
    virtual ~AnalysisWindow() = default;

    virtual QString addressText() const = 0;
    virtual void setAddressText(const QString& text) = 0;

    virtual void setAnalyzeEnabled(bool enabled) = 0;
    virtual void setStopEnabled(bool enabled) = 0;

    // 1 once Stop was pressed; the run resets it to 0 where it honours it.
    virtual qint16 StopRequested() const = 0;
    virtual void setStopRequested(qint16 value) = 0;

    virtual ResultTable& resultGrid() = 0;

    // A modal box with one OK button; returns when it was closed.
    virtual void ShowMessage(const QString& text, const QString& title) = 0;

    // Handles the pending window events; with none pending, waits for the
    // next one instead of spinning.
    virtual void PumpEvents() = 0;
};
