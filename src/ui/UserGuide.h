#pragma once

#include <QString>

// The user guide: one HTML page, installed with the program and copied next
// to the executable by the build.
namespace userguide {

inline constexpr QStringView FileName = u"guide.html";

// The guide for a program whose executable lies in `programDir`: the
// installed copy, else the one next to the executable; empty when neither
// exists.
QString guideFile(const QString& programDir);

} // namespace userguide
