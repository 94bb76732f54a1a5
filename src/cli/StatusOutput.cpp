#include "StatusOutput.h"

#include "GridColumns.h"
#include "ResultGrid.h"
#include "RunTexts.h"
#include "TerminalText.h"

#include <cstdio>

namespace {

// Keeps the progress line within one line of a narrow terminal.
constexpr qsizetype MaxNameLength = 30;

} // namespace

StatusOutput::StatusOutput(const ResultGrid& grid, bool showProgress, QObject* parent)
    : QObject(parent)
    , grid_(grid)
    , showProgress_(showProgress) {}

StatusOutput::~StatusOutput() {
    clearProgress();
}

void StatusOutput::writeMessage(const QString& title, const QString& text) {
    writeLine(title + QStringLiteral(": ") + text);
}

void StatusOutput::writeLine(const QString& text) {
    clearProgress();
    write(text + u'\n');
}

void StatusOutput::clearProgress() {
    if (!progressShown_)
        return;
    progressShown_ = false;
    write(QStringLiteral("\r\x1b[K"));
}

void StatusOutput::showRow(qint32 row) {
    if (!showProgress_)
        return;
    // The grid keeps one empty row after the listed shops.
    const int listed = grid_.Rows() - 2;
    const QString name = terminaltext::oneLine(grid_.cell(row, gridcol::ShopName).text.simplified())
                             .left(MaxNameLength);
    write(QStringLiteral("\r\x1b[K%1 %2/%3 %4")
              .arg(runtext::Checking)
              .arg(row)
              .arg(listed)
              .arg(name));
    progressShown_ = true;
}

void StatusOutput::write(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
