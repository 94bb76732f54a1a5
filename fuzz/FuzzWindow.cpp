#include "FuzzWindow.h"

#include "FuzzCheck.h"
#include "MarketConstants.h"
#include "ResultColumns.h"
#include "RunTexts.h"

void CheckingGrid::setRow(qint32 row) {
    FUZZ_CHECK(row >= 0 && row < Rows());
    grid_.setRow(row);
}

void CheckingGrid::setCol(qint32 col) {
    FUZZ_CHECK(col >= 0 && col < Cols());
    grid_.setCol(col);
}

void CheckingGrid::setCellForeColor(quint32 color) {
    FUZZ_CHECK(color == runtext::NoColor || color == runtext::Red);
    grid_.setCellForeColor(color);
}

void CheckingGrid::setForeColor(quint32 color) {
    FUZZ_CHECK(color == runtext::Red);
    grid_.setForeColor(color);
}

void CheckingGrid::AddItem(const QString& text) {
    FUZZ_CHECK(text == QString::number(Rows()));
    grid_.AddItem(text);
}

void CheckingGrid::setColWidth(qint32 col, qint32 twips) {
    FUZZ_CHECK(col >= 0 && col < Cols() && twips > 0);
    grid_.setColWidth(col, twips);
}

FuzzWindow::FuzzWindow() {
    setUpResultColumns(grid);
}

void FuzzWindow::checkRunning() const {
    FUZZ_CHECK(!analyzeEnabled && stopEnabled);
}

void FuzzWindow::setAddressText(const QString& text) {
    checkRunning();
    address = text;
}

void FuzzWindow::setStopRequested(qint16 value) {
    checkRunning();
    FUZZ_CHECK(value == 0 && stopRequested == 1);
    stopRequested = value;
}

QCoro::Task<> FuzzWindow::ShowMessage(QString text, QString title) {
    checkRunning();
    FUZZ_CHECK(title == runtext::MessageTitle && !text.isEmpty());
    ++messages;
    co_return;
}

void FuzzWindow::pressStop() {
    checkRunning();
    stopRequested = 1;
    stop_.raise();
}

ScriptedPages::ScriptedPages(const FuzzWindow& window)
    : window_(window) {}

PageResult ScriptedPages::nextPage() {
    const QString page = next_ < pages.size() ? pages.at(next_++) : QString();
    const int kind = page.size() == 1 ? page.at(0).unicode() : 0;
    if (kind >= 1 && kind <= int(PageProblem::BadCertificate))
        return {QString(), PageProblem(kind), {}};
    return {page, page.isEmpty() ? PageProblem::NoAnswer : PageProblem::None, {}};
}

QCoro::Task<PageResult> ScriptedPages::FetchPage(QString url) {
    window_.checkRunning();
    FUZZ_CHECK(!url.isEmpty());
    ++fetches;
    co_return nextPage();
}

void ScriptedPages::RenderPage(const QString& url) {
    window_.checkRunning();
    FUZZ_CHECK(!loading_ && (url.startsWith(market::RedirectLinkPrefix) ||
                             url.startsWith(market::SecureRedirectLinkPrefix)));
    ++renders;
    loading_ = true;
    complete_ = !holdLoads;
}

int ScriptedPages::ReadyState() const {
    FUZZ_CHECK(loading_);
    return complete_ ? ReadyStateComplete : 1;
}

PageResult ScriptedPages::bodyInnerHtml() {
    FUZZ_CHECK(loading_ && complete_);
    loading_ = false;
    return nextPage();
}

void ScriptedPages::finishLoad() {
    complete_ = true;
    ready_.raise();
}
