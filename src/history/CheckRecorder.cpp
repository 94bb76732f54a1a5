#include "CheckRecorder.h"

CheckRecorder::CheckRecorder(CheckHistory& history, Comparing comparing, Recording recording)
    : history_(history)
    , comparing_(comparing)
    , recording_(recording) {}

// The earlier checks are looked up before the run is recorded.
RecordedRun CheckRecorder::runEnded(CheckRecord run) {
    const QList<CheckRecord> earlier =
        compares(run.outcome) ? history_.recent(run.address, LookBack) : QList<CheckRecord>();
    if (recording_ == Recording::On && worthRecording(run.outcome))
        history_.record(run);
    return comparedRun(std::move(run), earlier);
}

std::optional<RecordedRun> CheckRecorder::latestRun(const QString& address) {
    QList<CheckRecord> checks = history_.recent(address, LookBack + 1);
    if (checks.size() < 2)
        return std::nullopt;
    CheckRecord latest = checks.takeFirst();
    return comparedRun(std::move(latest), checks);
}

RecordedRun CheckRecorder::comparedRun(CheckRecord run, const QList<CheckRecord>& earlier) {
    RecordedRun recorded;
    if (!earlier.isEmpty()) {
        QList<EarlierCheck> checks;
        for (const CheckRecord& check : earlier)
            checks.append(check.asEarlier());
        ChangesSince since = compareWithEarlier(checks, run.checkedGrid(), run.cellTexts());
        recorded.previous = earlier[since.listing];
        recorded.changes = std::move(since.changes);
        recorded.cells = std::move(since.cells);
    }
    recorded.run = std::move(run);
    return recorded;
}

bool CheckRecorder::compares(const RunOutcome& outcome) const {
    switch (comparing_) {
    case Comparing::Never:
        return false;
    case Comparing::EveryRun:
        return true;
    case Comparing::ListedRuns:
        return outcome.listedFriendLinks();
    }
    return false;
}
