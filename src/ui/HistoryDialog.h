#pragma once

#include "CheckRecord.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

// One address's recorded checks, newest first, in a window that leaves the
// main window usable and deletes itself when closed. The seller compares
// the grid with a check (double-click or 比较), or deletes one check or all
// of them after confirming; the dialog only asks, its owner acts and then
// shows the new list.
class HistoryDialog : public QDialog {
    Q_OBJECT

public:
    HistoryDialog(const QString& address, QWidget* parent);

    void showChecks(const QList<CheckSummary>& checks);

signals:
    void compareRequested(qint64 id);
    void removeRequested(qint64 id);
    void removeAllRequested();

private:
    std::optional<qint64> chosenCheck() const;
    void compareChosen();
    void confirm(const QString& question, const std::function<void()>& then);

    QString address_;
    QTreeWidget* list_;
    QPushButton* compare_;
    QPushButton* remove_;
    QPushButton* removeAll_;
};
