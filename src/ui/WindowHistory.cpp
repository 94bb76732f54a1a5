#include "WindowHistory.h"

#include "ChangeListDialog.h"
#include "Form1.h"
#include "HistoryDialog.h"
#include "Notice.h"
#include "OwnShopPage.h"
#include "ResultGridView.h"

#include <QAction>

namespace {

// A notice lists at most this many changes; the context menu lists all.
constexpr qsizetype MaxNoticeLines = 20;

// The changes since the previous check (`when`), drops first; empty when
// nothing was dropped. A change against an older check says so.
QString dropNotice(const QDateTime& when, const QList<GridChange>& changes) {
    if (!hasDrop(changes))
        return {};
    QStringList lines{QStringLiteral("与上次（%1）相比：").arg(shortCheckTime(when))};
    for (const GridChange& change : changes.mid(0, MaxNoticeLines)) {
        QString line =
            kindText(change.kind) + QStringLiteral("：") + change.name + u' ' + change.address;
        if (!change.before.isEmpty() || !change.now.isEmpty())
            line += QStringLiteral("（%1 → %2）").arg(change.before, change.now);
        lines.append(line + olderCheckNote(change, when));
    }
    if (changes.size() > MaxNoticeLines)
        lines.append(
            QStringLiteral("……共 %1 项变化，右键菜单“与上次比较…”里有全部。").arg(changes.size()));
    return lines.join(u'\n');
}

QString problemText(const HistoryProblem& problem) {
    switch (problem.kind) {
    case HistoryProblem::Kind::MovedAside:
        return QStringLiteral("历史记录文件无法读取，已改名保存为 %1，并开始新的历史记录。")
            .arg(problem.path);
    case HistoryProblem::Kind::Unusable:
        break;
    }
    return QStringLiteral("无法使用历史记录 %1（%2），检查记录不会保存。分析结果不受影响。")
        .arg(problem.path, problem.detail);
}

} // namespace

WindowHistory::WindowHistory(Form1& window, const QString& path)
    : QObject(&window)
    , window_(window)
    , history_(path)
    , recorder_(history_, CheckRecorder::Comparing::ListedRuns, CheckRecorder::Recording::On)
    , compareAction_(new QAction(QStringLiteral("与上次比较…"), this))
    , historyAction_(new QAction(QStringLiteral("历史记录…"), this)) {
    window.gridView().addContextActions({compareAction_, historyAction_});
    connect(compareAction_, &QAction::triggered, this,
            [this] { showChanges(QStringLiteral("与上次比较")); });
    connect(historyAction_, &QAction::triggered, this, &WindowHistory::showHistory);
    connect(&window, &Form1::analysisStarted, this, &WindowHistory::runStarted);
    connect(&window, &Form1::analysisEnded, this, &WindowHistory::runEnded);
    updateActions();
}

void WindowHistory::runStarted() {
    running_ = true;
    compared_.reset();
    window_.gridView().setCellNotes({});
    updateActions();
}

void WindowHistory::runEnded(const RunOutcome& outcome) {
    running_ = false;
    if (worthRecording(outcome)) {
        const ResultGrid& grid = window_.grid();
        const RecordedRun run =
            recorder_.runEnded(recordOf(grid.cells(), grid.ForeColor(), window_.addressText(),
                                        outcome, QDateTime::currentDateTime()));
        if (run.previous) {
            showCompared({run.previous->endedAt, run.changes, run.cells});
            const QString notice = dropNotice(run.previous->endedAt, run.changes);
            if (!notice.isEmpty())
                showNotice(&window_, notice);
        }
        refreshHistory();
    }
    tellProblems();
    updateActions();
}

// The grid against one check the seller chose.
void WindowHistory::compareWith(const CheckRecord& record) {
    const QList<QStringList> cells = cellTexts(window_.grid().cells());
    const ChangesSince since =
        compareWithEarlier({record.asEarlier()}, checkedGrid(cells, {}), cells);
    showCompared({record.endedAt, since.changes, since.cells});
}

// Notes the earlier values of the grid's changed cells, each with the time
// of the check it is from.
void WindowHistory::showCompared(Compared compared) {
    QHash<QPoint, QString> notes;
    for (const CellChange& cell : compared.cells)
        notes.insert(QPoint(cell.col, cell.row),
                     QStringLiteral("上次（%1）：").arg(shortCheckTime(cell.since)) + cell.before);
    window_.gridView().setCellNotes(notes);
    compared_ = std::move(compared);
    updateActions();
}

void WindowHistory::showChanges(const QString& title) {
    if (!compared_)
        return;
    auto* dialog =
        new ChangeListDialog(title, shortCheckTime(compared_->when), compared_->changes, &window_);
    dialog->show();
}

void WindowHistory::showLatestChanges() {
    const std::optional<RecordedRun> latest =
        recorder_.latestRun(ownshop::normalisedAddress(window_.addressText()));
    tellProblems();
    if (!latest || !latest->previous) {
        showNotice(&window_, QStringLiteral("没有上次的记录。"));
        return;
    }
    auto* dialog =
        new ChangeListDialog(QStringLiteral("与上次比较"),
                             shortCheckTime(latest->previous->endedAt), latest->changes, &window_);
    dialog->show();
}

// The records of the address in the box, as the next run would read it.
void WindowHistory::showHistory() {
    const QString address = ownshop::normalisedAddress(window_.addressText());
    if (historyDialog_)
        historyDialog_->close();
    historyAddress_ = address;
    historyDialog_ = new HistoryDialog(address, &window_);
    connect(historyDialog_, &HistoryDialog::compareRequested, this, [this](qint64 id) {
        if (const std::optional<CheckRecord> record = history_.load(id)) {
            compareWith(*record);
            showChanges(QStringLiteral("与历史记录比较"));
        }
        tellProblems();
    });
    connect(historyDialog_, &HistoryDialog::removeRequested, this, [this](qint64 id) {
        history_.remove(id);
        refreshHistory();
        tellProblems();
    });
    connect(historyDialog_, &HistoryDialog::removeAllRequested, this, [this] {
        history_.removeAll(historyAddress_);
        refreshHistory();
        tellProblems();
    });
    refreshHistory();
    tellProblems();
    historyDialog_->show();
}

void WindowHistory::refreshHistory() {
    if (historyDialog_)
        historyDialog_->showChecks(history_.list(historyAddress_));
}

void WindowHistory::tellProblems() {
    while (const std::optional<HistoryProblem> problem = history_.takeProblem())
        showNotice(&window_, problemText(*problem));
}

void WindowHistory::updateActions() {
    compareAction_->setEnabled(!running_ && compared_.has_value());
    historyAction_->setEnabled(!running_);
}
