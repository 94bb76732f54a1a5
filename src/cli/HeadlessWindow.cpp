#include "HeadlessWindow.h"

#include "ResultColumns.h"

HeadlessWindow::HeadlessWindow(QObject* parent)
    : QObject(parent) {
    setUpResultColumns(grid_);
}

QCoro::Task<> HeadlessWindow::ShowMessage(QString text, QString title) {
    messages_.append({title, text});
    emit messageShown(title, text);
    co_return;
}

void HeadlessWindow::pressStop() {
    if (stopEnabled_)
        requestStop();
}
