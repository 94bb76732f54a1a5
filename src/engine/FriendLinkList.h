#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The friend-link block of the own shop page, turned into links.
namespace friendlinks {

struct FriendLink {
    QString address;
    QString name;
};

// The link list file's text: every LF of the block written as CR LF, every
// other character (CR included) as it is, then one more CR LF.
QString fileText(const QString& block);

// Reads file text line by line: a line ends at CR, and an LF right after
// that CR belongs to the line end. Text after the last line end is a last
// line of its own; the file always yields at least one line.
QStringList lines(const QString& fileText);

// A line that begins with "<a href=" gives the first link's address (from
// the first double quote to the first double quote followed by a space) and
// name (from the next ">" to "</a>"), both untrimmed and undecoded. Any other
// line, or one whose markers are missing, gives nothing.
std::optional<FriendLink> parseLine(const QString& line);

} // namespace friendlinks
