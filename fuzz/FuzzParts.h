#pragma once

#include <QByteArrayView>
#include <QList>
#include <cstddef>
#include <cstdint>

// Splits a fuzz input into parts at every line that reads "@@", so that seed
// files stay readable pages one after another.
inline QList<QByteArrayView> splitParts(const uint8_t* data, size_t size) {
    constexpr QByteArrayView Separator("\n@@\n");
    const QByteArrayView input(data, qsizetype(size));
    QList<QByteArrayView> parts;
    qsizetype start = 0;
    for (qsizetype at = input.indexOf(Separator); at >= 0; at = input.indexOf(Separator, start)) {
        parts.append(input.sliced(start, at - start));
        start = at + Separator.size();
    }
    parts.append(input.sliced(start));
    return parts;
}
