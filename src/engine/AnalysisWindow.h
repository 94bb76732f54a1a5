#pragma once

#include "RunNotice.h"
#include "RunOutcome.h"

#include <QCoroTask>
#include <QString>
#include <QtGlobal>

class ResultTable;

// What an analysis run needs of the window it runs in: the address box, the
// two buttons' enabled states, the stop flag, the results grid and message
// boxes. The stop flag and its notice are kept here for every window.
class AnalysisWindow {
public:
    virtual ~AnalysisWindow() = default;

    virtual QString addressText() const = 0;
    virtual void setAddressText(const QString& text) = 0;

    virtual void setAnalyzeEnabled(bool enabled) = 0;
    virtual void setStopEnabled(bool enabled) = 0;

    // 1 once Stop was pressed; the run resets it to 0 where it honours it.
    virtual qint16 StopRequested() const { return stopRequested_; }
    virtual void setStopRequested(qint16 value) { stopRequested_ = value; }
    // Raised when Stop is pressed.
    virtual RunNotice& stopNotice() { return stopNotice_; }

    virtual ResultTable& resultGrid() = 0;

    // A box with one OK button, modal to the window; the task ends when it
    // was closed.
    virtual QCoro::Task<> ShowMessage(QString text, QString title) = 0;

    // The run is about to inspect this row.
    virtual void rowStarted(qint32 row) { Q_UNUSED(row); }
    // The run has ended, after its run-end step.
    virtual void runEnded(const RunOutcome& outcome) { Q_UNUSED(outcome); }

protected:
    // What the Stop button does: the stop flag becomes 1 and a run waiting
    // for the browser wakes up. It changes no button and ends nothing.
    void requestStop() {
        setStopRequested(1);
        stopNotice().raise();
    }

private:
    qint16 stopRequested_ = 0;
    RunNotice stopNotice_;
};
