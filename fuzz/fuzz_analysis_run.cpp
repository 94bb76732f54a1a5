// Whole analysis runs over a scripted window and page services. The input
// is parts separated by "@@" lines: control bytes, the address box text, then
// the pages in the order the run asks for them (own page, friend pages,
// rating pages and rendered bodies alike); an empty part is a failed fetch
// or an empty body, a part of one byte from 1 to 5 a failure of that kind.
//
// Control bytes: [0] the step of the browser wait at which its load
// completes (0 at once, 7 never); [1] the step at which Stop is pressed
// (0 never); [2] bit 0 Stop already pressed before the run, bit 1 a second
// run on the same window, bit 2 the address box emptied together with the
// Stop press. A step is one turn of the event loop while the run waits.
#include "AnalysisRun.h"
#include "FuzzCheck.h"
#include "FuzzParts.h"
#include "FuzzWindow.h"
#include "ResultColumns.h"
#include "RunTexts.h"

#include <QCoreApplication>
#include <QSet>

namespace {

// A user who waits this long for a page that never loads presses Stop.
constexpr int PatienceSteps = 64;
constexpr int NeverLoads = 7;

quint8 controlByte(QByteArrayView control, qsizetype index) {
    return index < control.size() ? quint8(control[index]) : 0;
}

bool isStatusText(const QString& text) {
    static const QSet<QString> texts{
        QString(),
        runtext::Checking,
        runtext::Normal,
        runtext::NotExisting,
        runtext::NetworkBroken,
        runtext::UserCancelled,
        runtext::UserStopped,
        runtext::Unreadable,
        runtext::AccessDenied,
        runtext::InvalidAddress,
        runtext::InvalidCertificate,
    };
    return texts.contains(text);
}

// The texts of a row's own problems, which mark the status or the rate.
bool isRowProblemText(const QString& text) {
    return text == runtext::Unreadable || text == runtext::AccessDenied ||
           text == runtext::InvalidAddress || text == runtext::InvalidCertificate;
}

bool isProblemText(qint32 col, const QString& text) {
    if (col == gridcol::Status)
        return text == runtext::NotExisting || text == runtext::NetworkBroken ||
               text == runtext::UserCancelled || text == runtext::UserStopped ||
               isRowProblemText(text);
    if (col == gridcol::Rate)
        return isRowProblemText(text) && text != runtext::Unreadable;
    return col == gridcol::LinksBack &&
           (text == runtext::NoLinkBack || text == runtext::NetworkBroken);
}

void checkGrid(const CheckingGrid& grid) {
    FUZZ_CHECK(grid.Rows() >= 2);
    for (qint32 col = 1; col < gridcol::Count; ++col)
        FUZZ_CHECK(grid.cell(0, col).text == QString::fromUtf16(ResultColumns[col].header));
    for (qint32 row = 1; row < grid.Rows(); ++row) {
        const QString number = grid.cell(row, gridcol::Number).text;
        FUZZ_CHECK(number == QString::number(row) || (row == 1 && number.isEmpty()));
        FUZZ_CHECK(isStatusText(grid.cell(row, gridcol::Status).text));
        for (qint32 col = 1; col < gridcol::Count; ++col) {
            const CheckingGrid::Cell& cell = grid.cell(row, col);
            FUZZ_CHECK(cell.color == runtext::NoColor || isProblemText(col, cell.text));
            FUZZ_CHECK(!cell.bold || col == gridcol::LinksBack);
        }
    }
    // The bottom row never holds a link.
    FUZZ_CHECK(grid.cell(grid.Rows() - 1, gridcol::Address).text.isEmpty());
}

void checkRunEnd(const FuzzWindow& window, const ScriptedPages& pages, int messagesBefore,
                 qint32 rowsBefore) {
    FUZZ_CHECK(window.analyzeEnabled && !window.stopEnabled);
    FUZZ_CHECK(window.stopRequested == 0 || window.stopRequested == 1);
    FUZZ_CHECK(window.messages - messagesBefore <= 1);
    FUZZ_CHECK(window.grid.Rows() >= rowsBefore);
    const qint32 rows = window.grid.Rows() - 2;
    FUZZ_CHECK(pages.fetches <= 2 * (1 + 2 * rows) && pages.renders <= 2 * rows);
    checkGrid(window.grid);
}

} // namespace

// Runs resume from the event loop, which needs an application object.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArrayView> parts = splitParts(data, size);
    const QByteArrayView control = parts.at(0);
    const int passes = controlByte(control, 0) % 8;
    const int stopStep = controlByte(control, 1);
    const quint8 flags = controlByte(control, 2);

    FuzzWindow window;
    window.address = parts.size() > 1 ? QString::fromUtf8(parts.at(1)) : QString();
    window.stopRequested = flags & 1;

    ScriptedPages pages(window);
    pages.holdLoads = passes > 0;
    for (qsizetype i = 2; i < parts.size(); ++i)
        pages.pages.append(QString::fromUtf8(parts.at(i)));

    const int runs = flags & 2 ? 2 : 1;
    for (int run = 0; run < runs; ++run) {
        const int messagesBefore = window.messages;
        const qint32 rowsBefore = window.grid.Rows();
        QCoro::Task<bool> task = runAnalysis(window, pages, pages);
        // The run waits only for the browser; each step lets the user or
        // the page act, then the event loop resumes the run.
        for (int step = 1; !task.isReady(); ++step) {
            if (step == stopStep || step >= PatienceSteps) {
                window.pressStop();
                if (flags & 4)
                    window.address.clear();
            }
            if (step == passes && passes != NeverLoads && pages.isLoading())
                pages.finishLoad();
            QCoreApplication::processEvents();
        }
        checkRunEnd(window, pages, messagesBefore, rowsBefore);
    }
    return 0;
}
