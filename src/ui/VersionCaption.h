#pragma once

#include <QString>

// The window caption with the program's version appended: title, "Ver",
// major, ".", minor with at least two digits, " Build:", revision with at
// least four digits; e.g. "ZembrelVer1.03 Build:0015".
QString versionCaption(const QString& title, int major, int minor, int revision);
