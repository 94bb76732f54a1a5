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
};

// Only reads `path`. Fails on a file that is missing, unreadable, larger
// than any check result, not JSON, or JSON of another shape.
PreviousCheck readPreviousCheck(const QString& path);
