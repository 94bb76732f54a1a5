#pragma once

#include "GridComparison.h"

#include <QDialog>

class QTreeWidget;

// Every change between an earlier check and the grid, drops first and in
// red, in a window of its own that leaves the main window usable and
// deletes itself when closed.
class ChangeListDialog : public QDialog {
    Q_OBJECT

public:
    // `when`: the earlier check's time as the seller reads it.
    ChangeListDialog(const QString& title, const QString& when, const QList<GridChange>& changes,
                     QWidget* parent);

    QTreeWidget& list() { return *list_; }

private:
    QTreeWidget* list_;
};
