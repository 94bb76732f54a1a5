#include "PageSearch.h"

#include <algorithm>

namespace pagetext {

qint32 find(QStringView text, QStringView marker, qint32 from) {
    if (from < 1 || from > text.size() + 1)
        return 0;
    if (marker.isEmpty())
        return from <= text.size() ? from : 0;
    const qsizetype index = text.indexOf(marker, from - 1);
    return index < 0 ? 0 : qint32(index + 1);
}

qint32 findBack(QStringView text, QStringView marker, qint32 upTo) {
    if (upTo < 1)
        return 0;
    const qsizetype limit = std::min<qsizetype>(upTo, text.size());
    if (marker.isEmpty())
        return qint32(limit);
    if (marker.size() > limit)
        return 0;
    // Searching from the last place a match can start: without it, Qt 6.4
    // compares a one-character marker with the character just past the
    // prefix as well.
    const qsizetype index = text.first(limit).lastIndexOf(marker, limit - marker.size());
    return index < 0 ? 0 : qint32(index + 1);
}

std::optional<QString> cut(QStringView text, qint32 from, qint32 to) {
    if (from < 1 || to < from)
        return std::nullopt;
    if (from > text.size())
        return QString();
    return text.sliced(from - 1)
        .first(std::min<qsizetype>(to - from, text.size() - from + 1))
        .toString();
}

Span between(QStringView text, qint32 from, std::initializer_list<QStringView> path,
             QStringView close) {
    qint32 position = from;
    qint32 valueStart = from;
    for (const QStringView marker : path) {
        position = find(text, marker, position);
        valueStart = position == 0 ? 0 : position + qint32(marker.size());
    }
    const qint32 end = find(text, close, position);
    if (position == 0 || end == 0)
        return {std::nullopt, end};
    return {cut(text, valueStart, end), end};
}

} // namespace pagetext
