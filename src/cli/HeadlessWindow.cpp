#include "HeadlessWindow.h"

#include "GridColumns.h"

#include <QCoreApplication>

HeadlessWindow::HeadlessWindow(QObject* parent)
    : QObject(parent) {
    setUpResultColumns(grid_);
}

void HeadlessWindow::ShowMessage(const QString& text, const QString& title) {
    messages_.append({title, text});
    emit messageShown(title, text);
}

void HeadlessWindow::PumpEvents() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void HeadlessWindow::pressStop() {
    if (stopEnabled_)
        stopRequested_ = 1;
}
