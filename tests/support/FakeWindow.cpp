#include "FakeWindow.h"

#include "ResultColumns.h"

QString RecordingGrid::at() const {
    return QStringLiteral("%1,%2 ").arg(grid.Row()).arg(grid.Col());
}

void RecordingGrid::setText(const QString& text) {
    writes << at() + text;
    grid.setText(text);
}

void RecordingGrid::setCellForeColor(quint32 color) {
    writes << at() + QStringLiteral("color=%1").arg(color);
    grid.setCellForeColor(color);
}

void RecordingGrid::setCellFontBold(bool bold) {
    writes << at() + QStringLiteral("bold=%1").arg(int(bold));
    grid.setCellFontBold(bold);
}

void RecordingGrid::setForeColor(quint32 color) {
    writes << QStringLiteral("fore=%1").arg(color);
    grid.setForeColor(color);
}

void RecordingGrid::AddItem(const QString& text) {
    writes << QStringLiteral("add ") + text;
    grid.AddItem(text);
}

QStringList RecordingGrid::writesToRow(qint32 row) const {
    const QString prefix = QStringLiteral("%1,").arg(row);
    QStringList result;
    for (const QString& write : writes) {
        if (write.startsWith(prefix))
            result << write.mid(prefix.size());
    }
    return result;
}

FakeWindow::FakeWindow() {
    setUpResultColumns(table.grid);
}

QString FakeWindow::cellState(qint32 row, qint32 col) const {
    const ResultGrid::Cell& c = table.grid.cell(row, col);
    return QStringLiteral("%1|%2|%3").arg(c.text).arg(c.color).arg(int(c.bold));
}

QCoro::Task<> FakeWindow::ShowMessage(QString text, QString title) {
    messages << title + QStringLiteral(": ") + text;
    if (onMessage)
        onMessage();
    co_return;
}

void FakeWindow::rowStarted(qint32 row) {
    startedRows << row;
    if (onRowStarted)
        onRowStarted(row);
}
