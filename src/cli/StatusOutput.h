#pragma once

#include <QObject>
#include <QString>

class ResultGrid;

// Standard error of the check: the messages the window would show in a box,
// and on a terminal a progress line (row n of N, shop name) that follows the
// row being inspected and is cleared before anything else is written.
class StatusOutput : public QObject {
public:
    StatusOutput(const ResultGrid& grid, bool showProgress, QObject* parent = nullptr);
    ~StatusOutput() override;

    // "TITLE: TEXT" on a line of its own.
    void writeMessage(const QString& title, const QString& text);
    // `text` on a line of its own.
    void writeLine(const QString& text);
    // The run is about to inspect this grid row.
    void showRow(qint32 row);
    void clearProgress();

private:
    void write(const QString& text);

    const ResultGrid& grid_;
    bool showProgress_;
    bool progressShown_ = false;
};
