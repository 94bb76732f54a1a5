#pragma once

#include "CheckRecorder.h"

#include <QObject>
#include <QPointer>
#include <optional>

class Form1;
class HistoryDialog;
class QAction;

// The window's part of the history. Every run that asked for its own shop
// page is recorded as it ends. When the address has an earlier record, each
// cell that changed since then shows the earlier value in its tooltip, and
// a notice names the partners that dropped the shop. The grid's context menu
// lists all changes since the previous check ("与上次比较…") and the
// address's records ("历史记录…"), to compare the grid with one or delete
// them. The history file is opened when first needed; a problem with it is
// told once in a notice and never touches the run's results.
class WindowHistory : public QObject {
    Q_OBJECT

public:
    WindowHistory(Form1& window, const QString& path);

    QAction& compareAction() { return *compareAction_; }
    // Lists what the latest check of the address in the box found against
    // the check before it, as "与上次比较…" did after that check.
    void showLatestChanges();

private:
    // What the grid was compared with: the check whose list it was set
    // against, the changes and the changed cells.
    struct Compared {
        QDateTime when;
        QList<GridChange> changes;
        QList<CellChange> cells;
    };

    void runStarted();
    void runEnded(const RunOutcome& outcome);
    void compareWith(const CheckRecord& record);
    void showCompared(Compared compared);
    void showChanges(const QString& title);
    void showHistory();
    void refreshHistory();
    void tellProblems();
    void updateActions();

    Form1& window_;
    CheckHistory history_;
    CheckRecorder recorder_;
    QAction* compareAction_;
    QAction* historyAction_;
    bool running_ = false;
    std::optional<Compared> compared_;
    QPointer<HistoryDialog> historyDialog_;
    QString historyAddress_;
};
