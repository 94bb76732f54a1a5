#include "AnalysisRun.h"

#include "AnalysisWindow.h"
#include "FriendLinkList.h"
#include "GridColumns.h"
#include "LinkListFile.h"
#include "MarketConstants.h"
#include "OwnShopPage.h"
#include "PageServices.h"
#include "ResultTable.h"
#include "RowProblem.h"
#include "RunNotice.h"
#include "RunTexts.h"
#include "ShopPage.h"

#include <algorithm>
#include <exception>
#include <new>

using shoppage::Layout;
using shoppage::PageKind;
using shoppage::ShopReading;
using shoppage::ShopValues;

namespace {

// Click-redirect links go to the embedded browser; the test is exact and
// case-sensitive.
bool isRedirectLink(const QString& address) {
    return address.startsWith(market::RedirectLinkPrefix) ||
           address.startsWith(market::SecureRedirectLinkPrefix);
}

} // namespace

QCoro::Task<bool> runAnalysis(AnalysisWindow& window, PageFetcher& fetcher,
                              PageRenderer& renderer) {
    AnalysisRun run(window, fetcher, renderer);
    std::optional<QString> problem;
    try {
        co_await run.execute();
    } catch (const std::bad_alloc&) {
        problem = runtext::OutOfMemory;
    } catch (const std::exception& error) {
        problem = QString::fromLocal8Bit(error.what());
    } catch (...) {
        problem = runtext::UnknownError;
    }
    if (!problem)
        co_return true;
    co_await run.fail(*problem);
    co_return false;
}

AnalysisRun::AnalysisRun(AnalysisWindow& window, PageFetcher& fetcher, PageRenderer& renderer)
    : window_(window)
    , grid_(window.resultGrid())
    , fetcher_(fetcher)
    , renderer_(renderer) {}

QCoro::Task<> AnalysisRun::execute() {
    window_.setAnalyzeEnabled(false);
    window_.setStopEnabled(true);
    if (const std::optional<QString> linkBlock = co_await readOwnShop();
        linkBlock && co_await listFriendLinks(*linkBlock))
        co_await inspectRows();
    stopPageServices();
    finish();
}

// The run could not go on: whatever it was doing is dropped, and it ends
// like any other, after a message that names the problem.
QCoro::Task<> AnalysisRun::fail(QString problem) {
    stopPageServices();
    if (outcome_.listedFriendLinks())
        outcome_.ending = RunEnding::Failed;
    co_await showMessage(runtext::RunFailed + problem);
    finish();
}

void AnalysisRun::stopPageServices() {
    fetcher_.endRun();
    renderer_.endRun();
}

void AnalysisRun::finish() {
    // A Stop pressed during this run and not honoured by it belongs to it:
    // the next run starts as if it had never been pressed.
    if (window_.StopRequested() == 1)
        window_.setStopRequested(0);
    endRun();
    window_.runEnded(outcome_);
}

QCoro::Task<std::optional<QString>> AnalysisRun::readOwnShop() {
    const QString typed = ownshop::trimmedAddress(window_.addressText());
    if (typed.isEmpty()) {
        co_await showMessage(runtext::EmptyAddress);
        co_return std::nullopt;
    }
    window_.setAddressText(ownshop::lowerCased(typed));
    window_.setAddressText(ownshop::withDomainSuffix(window_.addressText()));

    outcome_.ending = RunEnding::Message;
    const QString page = (co_await fetcher_.FetchPage(window_.addressText())).text;
    if (page.isEmpty()) {
        co_await showMessage(runtext::NetworkFailed);
        co_return std::nullopt;
    }
    if (shoppage::isShopNotFoundPage(page)) {
        co_await showMessage(runtext::ShopMissing);
        co_return std::nullopt;
    }
    ownShopName_ = ownshop::shopName(page);
    std::optional<QString> block = ownshop::friendLinkBlock(page);
    if (!block) {
        co_await showMessage(runtext::NoFriendLinks);
        co_return std::nullopt;
    }
    co_return block;
}

QCoro::Task<bool> AnalysisRun::listFriendLinks(QString linkBlock) {
    const std::optional<QString> fileText =
        roundTripThroughLinkListFile(friendlinks::fileText(linkBlock));
    if (!fileText) {
        co_await showMessage(runtext::LinkListFileFailed);
        co_return false;
    }

    clearResultCells();
    grid_.setRow(1);
    grid_.setCol(gridcol::Number);
    grid_.setText(QStringLiteral("1"));
    qint32 nextRow = 1;
    plannedFetches_.clear();
    plannedRenders_.clear();
    bool planning = true;
    for (const QString& line : friendlinks::lines(*fileText)) {
        const std::optional<friendlinks::FriendLink> link = friendlinks::parseLine(line);
        if (!link)
            continue;
        // The inspection stops at the first empty address.
        planning = planning && !link->address.isEmpty();
        if (planning) {
            QList<PlannedRow>& planned =
                isRedirectLink(link->address) ? plannedRenders_ : plannedFetches_;
            planned.append({nextRow, link->address});
        }
        grid_.setRow(nextRow);
        writeCell(gridcol::ShopName, link->name);
        writeCell(gridcol::Address, link->address);
        ++nextRow;
        if (nextRow > grid_.Rows() - 1)
            grid_.AddItem(QString::number(nextRow));
    }
    co_return true;
}

// Empties columns 1 to 8 of every data row, bottom-up, leaving the header
// row and the row numbers.
void AnalysisRun::clearResultCells() {
    const qint32 rows = grid_.Rows();
    for (qint32 row = rows - 1; row >= 1; --row) {
        for (qint32 col = grid_.Cols() - 1; col >= 1; --col) {
            grid_.setRow(row);
            grid_.setCol(col);
            grid_.setCellForeColor(runtext::NoColor);
            grid_.setCellFontBold(false);
            grid_.setCellNote(QString());
            grid_.setText(QString());
        }
    }
}

QCoro::Task<> AnalysisRun::inspectRows() {
    outcome_.ending = RunEnding::Finished;
    fetcher_.planRows(plannedFetches_, [this](const PlannedRow& row, const QString& page) {
        return readAhead(row, page);
    });
    renderer_.planRows(plannedRenders_);
    const qint32 lastRow = grid_.Rows() - 2;
    for (qint32 row = 1; row <= lastRow; ++row) {
        grid_.setRow(row);
        grid_.setCol(gridcol::Address);
        const QString address = grid_.Text();
        if (address.isEmpty())
            co_return;
        writeCell(gridcol::Status, runtext::Checking);
        window_.rowStarted(row);
        fetcher_.enterRow(row);
        renderer_.enterRow(row);
        // A named row: g++ 12 destroys a temporary made inside a co_await of
        // a conditional expression twice.
        const PlannedRow planned{row, address};
        const RowEnd end = isRedirectLink(address) ? co_await inspectRedirectRow(address)
                                                   : co_await inspectDirectRow(planned);
        if (end == RowEnd::RunEnded || stopAfterRow(row))
            co_return;
    }
}

QCoro::Task<AnalysisRun::RowEnd> AnalysisRun::inspectDirectRow(PlannedRow row) {
    const PageResult page = co_await fetcher_.FetchPage(row.address);
    if (!page.hasPage())
        co_return co_await pageMissing(page, FailureForm::GridWide);
    co_return co_await writeReading(page.text, takeShopReading(row, page.text));
}

std::optional<QString> AnalysisRun::readAhead(const PlannedRow& row, const QString& page) {
    if (page.isEmpty())
        return std::nullopt;
    readAhead_.removeIf([&](const ReadPage& ahead) { return ahead.row == row; });
    readAhead_.append({row, page, shoppage::readFetchedShopPage(page)});
    return shoppage::followUpAddress(readAhead_.last().reading);
}

// A page's reading: the one made when it arrived ahead of the run for this
// row and address, if it is the same text, else made now. Each is taken
// once.
ShopReading AnalysisRun::takeShopReading(const PlannedRow& row, const QString& page) {
    const auto read = std::ranges::find(readAhead_, row, &ReadPage::row);
    if (read == readAhead_.end())
        return shoppage::readFetchedShopPage(page);
    ShopReading reading =
        read->page == page ? std::move(read->reading) : shoppage::readFetchedShopPage(page);
    readAhead_.erase(read);
    return reading;
}

QCoro::Task<AnalysisRun::RowEnd> AnalysisRun::inspectRedirectRow(QString address) {
    renderer_.RenderPage(address);
    if (!co_await waitForRenderer()) {
        renderer_.stopLoading();
        window_.setStopRequested(0);
        outcome_.ending = RunEnding::Cancelled;
        writeProblem(runtext::UserCancelled);
        co_return RowEnd::RunEnded;
    }
    const PageResult body = renderer_.bodyInnerHtml();
    if (!body.hasPage())
        co_return co_await pageMissing(body, FailureForm::Cell);
    co_return co_await writeReading(body.text, shoppage::readRenderedPage(body.text));
}

// A row's page that is not there: a problem of the row's own address marks
// the row (in the current cell) and the run goes on; no answer at all ends
// the run as a network failure.
QCoro::Task<AnalysisRun::RowEnd> AnalysisRun::pageMissing(PageResult page, FailureForm form) {
    if (page.isRowProblem()) {
        const RowProblemMark mark = rowProblemMark(page);
        writeProblem(mark.status, mark.note);
        co_return RowEnd::Done;
    }
    co_await networkFailure(form);
    co_return RowEnd::RunEnded;
}

// The status cell from what the page turned out to be, then the values of
// a shop page.
QCoro::Task<AnalysisRun::RowEnd> AnalysisRun::writeReading(QString page, ShopReading reading) {
    switch (reading.kind) {
    case PageKind::NotFound:
        writeProblem(runtext::NotExisting);
        co_return RowEnd::Done;
    case PageKind::Unreadable: {
        const RowProblemMark mark = unreadableMark(page);
        writeProblem(mark.status, mark.note);
        co_return RowEnd::Done;
    }
    case PageKind::Shop:
        break;
    }
    grid_.setText(runtext::Normal);
    co_return co_await writeShopValues(page, reading.values);
}

// Waits until the browser has the page complete or Stop is pressed,
// whichever comes first; false for Stop, which wins when both happened
// since the run last looked.
QCoro::Task<bool> AnalysisRun::waitForRenderer() {
    const QList<RunNotice*> wakers{&window_.stopNotice(), &renderer_.readyNotice()};
    for (;;) {
        if (window_.StopRequested() == 1)
            co_return false;
        if (renderer_.ReadyState() == PageRenderer::ReadyStateComplete)
            co_return true;
        co_await NoticeWait(wakers);
    }
}

// Writes columns 4 to 8 in the layout's order. Layout B takes its rate from
// the rating page, fetched after the verdict and written last.
QCoro::Task<AnalysisRun::RowEnd> AnalysisRun::writeShopValues(QString page, ShopValues values) {
    writeValue(gridcol::Member, values.member);
    writeValue(gridcol::Credit, values.credit);
    if (values.layout != Layout::B)
        writeValue(gridcol::Rate, values.rate);
    writeValue(gridcol::Created, values.created);
    writeVerdict(page, values.backLinkStart);
    if (values.layout != Layout::B || !values.ratingAddress)
        co_return RowEnd::Done;

    const PageResult ratingPage = co_await fetcher_.FetchPage(*values.ratingAddress);
    // The verdict stands on the shop page: a rating page of the row's own
    // that cannot be had marks only the rate.
    if (ratingPage.isRowProblem()) {
        grid_.setCol(gridcol::Rate);
        const RowProblemMark mark = rowProblemMark(ratingPage);
        writeProblem(mark.status, mark.note);
        co_return RowEnd::Done;
    }
    if (!ratingPage.hasPage()) {
        co_await networkFailure(FailureForm::Cell);
        co_return RowEnd::RunEnded;
    }
    writeValue(gridcol::Rate, shoppage::ratingPageRate(ratingPage.text));
    co_return RowEnd::Done;
}

void AnalysisRun::writeCell(qint32 col, const QString& text) {
    grid_.setCol(col);
    grid_.setText(text);
}

// A value whose markers were missing leaves its cell empty.
void AnalysisRun::writeValue(qint32 col, const std::optional<QString>& value) {
    writeCell(col, value.value_or(QString()));
}

void AnalysisRun::writeVerdict(const QString& page, qint32 from) {
    grid_.setCol(gridcol::LinksBack);
    const std::optional<bool> found =
        shoppage::linksBack(page, from, window_.addressText(), ownShopName_);
    if (!found) {
        grid_.setText(QString());
    } else if (*found) {
        grid_.setText(runtext::LinksBack);
    } else {
        grid_.setCellForeColor(runtext::Red);
        grid_.setCellFontBold(true);
        grid_.setText(runtext::NoLinkBack);
    }
}

// A problem mark in the current cell: red first, then the text, then why.
void AnalysisRun::writeProblem(const QString& text, const QString& note) {
    grid_.setCellForeColor(runtext::Red);
    grid_.setText(text);
    if (!note.isEmpty())
        grid_.setCellNote(note);
}

QCoro::Task<> AnalysisRun::showMessage(QString text) {
    outcome_.message = text;
    co_await window_.ShowMessage(text, runtext::MessageTitle);
}

QCoro::Task<> AnalysisRun::networkFailure(FailureForm form) {
    outcome_.ending = RunEnding::NetworkFailure;
    co_await showMessage(runtext::NetworkFailed);
    if (form == FailureForm::GridWide)
        grid_.setForeColor(runtext::Red);
    else
        grid_.setCellForeColor(runtext::Red);
    grid_.setText(runtext::NetworkBroken);
}

// After a finished row: a pending stop is honoured by marking the next row.
bool AnalysisRun::stopAfterRow(qint32 row) {
    if (window_.StopRequested() != 1)
        return false;
    window_.setStopRequested(0);
    outcome_.ending = RunEnding::Stopped;
    grid_.setRow(row + 1);
    grid_.setCol(gridcol::Status);
    writeProblem(runtext::UserStopped);
    return true;
}

void AnalysisRun::endRun() {
    window_.setAnalyzeEnabled(true);
    window_.setStopEnabled(false);
}
