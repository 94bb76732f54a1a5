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

std::optional<QString> attributeValue(QStringView startTag, QStringView name) {
    const auto isSpace = [&](qsizetype i) { return i < startTag.size() && startTag[i].isSpace(); };
    for (qsizetype at = startTag.indexOf(name, 1, Qt::CaseInsensitive); at > 0;
         at = startTag.indexOf(name, at + 1, Qt::CaseInsensitive)) {
        if (!startTag[at - 1].isSpace())
            continue;
        qsizetype i = at + name.size();
        while (isSpace(i))
            ++i;
        if (i >= startTag.size() || startTag[i] != u'=')
            continue;
        ++i;
        while (isSpace(i))
            ++i;
        if (i >= startTag.size())
            return QString();
        const QChar quote = startTag[i];
        if (quote == u'"' || quote == u'\'') {
            const qsizetype end = startTag.indexOf(quote, i + 1);
            return startTag.sliced(i + 1, (end < 0 ? startTag.size() : end) - i - 1).toString();
        }
        qsizetype end = i;
        while (end < startTag.size() && !startTag[end].isSpace() && startTag[end] != u'>')
            ++end;
        return startTag.sliced(i, end - i).toString();
    }
    return std::nullopt;
}

} // namespace pagetext
