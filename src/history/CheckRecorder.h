#pragma once

#include "CheckHistory.h"

// What the recorder made of a run that has just ended.
struct RecordedRun {
    // The run's record; its id is set once it is in the history.
    CheckRecord run;
    // The earlier check whose friend links the run's were set against (see
    // compareWithEarlier): none when it was not to be compared or its
    // address has no earlier record.
    std::optional<CheckRecord> previous;
    // What changed, drops first, and the cells that changed, each saying
    // which earlier check it is against.
    QList<GridChange> changes;
    QList<CellChange> cells;
};

// What both programs do with the history as each run ends: look up the
// earlier check to compare the run with (before the run is recorded), record
// the run, and give the changes since that check. Which earlier check a run
// is compared with is decided here and only here: the latest earlier record
// of the run's address.
class CheckRecorder {
public:
    // How many earlier checks a row may be looked for in.
    static constexpr int LookBack = 30;

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
    // The latest recorded check of `address` and what it found against the
    // checks before it, as runEnded() gave it; none without two checks.
    std::optional<RecordedRun> latestRun(const QString& address);

private:
    bool compares(const RunOutcome& outcome) const;
    static RecordedRun comparedRun(CheckRecord run, const QList<CheckRecord>& earlier);

    CheckHistory& history_;
    Comparing comparing_;
    Recording recording_;
};
