#pragma once

#include <QString>
#include <optional>

// Round trip of the friend-link list through a temporary narrow-text file
// (code page 936): a file of its own in the system's temporary folder,
// created exclusively and readable by its owner only, so that two copies of
// the program never share one. The file is gone when this returns.
//
// Returns the text read back, in which a character the code page cannot
// represent has become '?'; no value when the file could not be created,
// written or read.
std::optional<QString> roundTripThroughLinkListFile(const QString& fileText);
