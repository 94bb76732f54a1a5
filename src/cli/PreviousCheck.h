#pragma once

#include "GridComparison.h"

#include <QString>
#include <optional>

// An earlier check's results, read back from the JSON document that
// `zembrel-check --format json` wrote.
struct PreviousCheck {
    std::optional<CheckedGrid> grid;
    // What is wrong with the file, when there is no grid.
    QString error;
    // The address its last run checked, when the document says so.
    std::optional<QString> address;
};

// Only reads `path`. Fails on a file that is missing, unreadable, larger
// than any check result, not JSON, or JSON of another shape. A document
// that says how its last run ended ("lastRun") and that this run never
// listed its friend links gives an unlisted grid, whatever rows an earlier
// run left in it; documents without it are read by their grid and
// messages alone.
PreviousCheck readPreviousCheck(const QString& path);
