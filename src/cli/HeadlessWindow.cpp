#include "HeadlessWindow.h"

#include "ResultColumns.h"

HeadlessWindow::HeadlessWindow(QObject* parent)
    : QObject(parent) {
    setUpResultColumns(grid_);
}

QCoro::Task<> HeadlessWindow::ShowMessage(const QString& text, const QString& title) {
    messages_.append({title, text});
    emit messageShown(title, text);
    co_return;
}

void HeadlessWindow::pressStop() {
    if (!stopEnabled_)
        return;
    stopRequested_ = 1;
    stopNotice_.raise();
}
