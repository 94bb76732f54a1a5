#include "CheckRecorder.h"

CheckRecorder::CheckRecorder(CheckHistory& history, Comparing comparing, Recording recording)
    : history_(history)
    , comparing_(comparing)
    , recording_(recording) {}

RecordedRun CheckRecorder::runEnded(CheckRecord run) {
    RecordedRun recorded;
    if (compares(run.outcome))
        recorded.previous = earlierCheck(run);
    if (recording_ == Recording::On && worthRecording(run.outcome))
        history_.record(run);
    if (recorded.previous)
        recorded.changes = compareGrids(recorded.previous->checkedGrid(), run.checkedGrid());
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

std::optional<CheckRecord> CheckRecorder::earlierCheck(const CheckRecord& run) {
    return history_.latest(run.address);
}
