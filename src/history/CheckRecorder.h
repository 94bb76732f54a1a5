#pragma once

#include "CheckHistory.h"

// What the recorder made of a run that has just ended.
struct RecordedRun {
    // The run's record; its id is set once it is in the history.
    CheckRecord run;
    // The earlier check the run was compared with: none when it was not to
    // be compared or its address has no earlier record.
    std::optional<CheckRecord> previous;
    // What changed since `previous`, drops first.
    QList<GridChange> changes;
};

// What both programs do with the history as each run ends: look up the
// earlier check to compare the run with (before the run is recorded), record
// the run, and give the changes since that check. Which earlier check a run
// is compared with is decided here and only here: the latest earlier record
// of the run's address.
class CheckRecorder {
public:
    // Which runs are compared with an earlier check.
    enum class Comparing {
        Never,
        // Every run; one that never listed its friend links finds every row
        // of the earlier check "not compared" (zembrel-check --since-last).
        EveryRun,
        // Only runs that listed their friend links: one that did not left an
        // earlier run's grid behind, with nothing of its own to show changes
        // in (the window).
        ListedRuns,
    };
    // Off records nothing (zembrel-check --no-history); On records every run
    // that asked for its own shop page.
    enum class Recording { Off, On };

    CheckRecorder(CheckHistory& history, Comparing comparing, Recording recording);

    RecordedRun runEnded(CheckRecord run);

private:
    bool compares(const RunOutcome& outcome) const;
    // The earlier check `run` is compared with, looked up before `run` is
    // recorded.
    std::optional<CheckRecord> earlierCheck(const CheckRecord& run);

    CheckHistory& history_;
    Comparing comparing_;
    Recording recording_;
};
