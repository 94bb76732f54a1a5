#pragma once

#include <QString>
#include <QStringView>
#include <initializer_list>
#include <optional>

// Searches over page text with 1-based positions, 0 meaning "not found".
// Every marker comparison is exact and case-sensitive. Positions count UTF-16
// code units of the text.
//
// Pages are written by strangers, so any marker may be missing. One rule
// covers every extraction: a search that starts from a missing position (0)
// finds nothing, and a cut whose bounds are missing or out of order gives no
// value. The caller then leaves that value's cell empty and carries on.
namespace pagetext {

// First occurrence of `marker` that begins at or after `from`. An empty
// marker is found at `from` itself when `from` lies within the text.
qint32 find(QStringView text, QStringView marker, qint32 from);

// Last occurrence of `marker` that lies wholly within the first `upTo`
// characters.
qint32 findBack(QStringView text, QStringView marker, qint32 upTo);

// The characters from position `from` up to, not including, position `to`
// (fewer when the text ends first); no value when `from` is missing or
// `to` lies before it.
std::optional<QString> cut(QStringView text, qint32 from, qint32 to);

// A value and the position of the marker that closes it.
struct Span {
    std::optional<QString> value;
    qint32 end = 0; // position of the closing marker, 0 when missing
};

// Finds each marker of `path` in turn, each search starting at the position
// of the previous find (the first at `from`), then finds `close` from the
// last of them. The value is the text between the end of the last path
// marker and `close`.
Span between(QStringView text, qint32 from, std::initializer_list<QStringView> path,
             QStringView close);

// The value of the attribute `name` (any case) in `startTag`, the text of
// one start tag from its "<" on: double-quoted, single-quoted or bare, as
// written (character references are left as they are); no value when the
// tag has no such attribute.
std::optional<QString> attributeValue(QStringView startTag, QStringView name);

} // namespace pagetext
