#include "GridText.h"

#include "ResultGrid.h"

#include <QRect>
#include <QSet>
#include <algorithm>

namespace gridtext {

Block cellBlock(const ResultGrid& grid, const QList<QPoint>& cells) {
    QRect bounds;
    for (const QPoint& cell : cells)
        bounds |= QRect(cell, QSize(1, 1));
    Block block(bounds.height(), QStringList(bounds.width()));
    for (const QPoint& cell : cells)
        block[cell.y() - bounds.top()][cell.x() - bounds.left()] =
            grid.cell(cell.y(), cell.x()).text;
    return block;
}

Block copiedBlock(const ResultGrid& grid, const QList<QPoint>& cells) {
    const QSet<QPoint> distinct(cells.begin(), cells.end());
    const QRect body(1, 1, grid.Cols() - 1, grid.Rows() - 1);
    const bool wholeBody =
        distinct.size() == qsizetype(body.width()) * body.height() &&
        std::ranges::all_of(distinct, [&](QPoint c) { return body.contains(c); });
    if (!wholeBody || body.isEmpty())
        return cellBlock(grid, cells);

    Block block;
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        QStringList texts;
        for (qint32 col = 1; col < grid.Cols(); ++col)
            texts << grid.cell(row, col).text;
        block << texts;
    }
    while (block.size() > 1 &&
           std::ranges::all_of(block.last(), [](const QString& text) { return text.isEmpty(); }))
        block.removeLast();
    return block;
}

Block exportBlock(const ResultGrid& grid) {
    Block block;
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        QStringList texts;
        bool hasResult = row == 0;
        for (qint32 col = 0; col < grid.Cols(); ++col) {
            texts << grid.cell(row, col).text;
            hasResult = hasResult || (col > 0 && !texts.last().isEmpty());
        }
        if (hasResult)
            block << texts;
    }
    return block;
}

QString tabSeparated(const Block& block) {
    QStringList lines;
    for (const QStringList& row : block) {
        QStringList cells;
        for (QString cell : row) {
            cell.replace(QLatin1String("\r\n"), QLatin1String(" "));
            for (QChar& c : cell) {
                if (c == u'\t' || c == u'\r' || c == u'\n')
                    c = u' ';
            }
            cells << cell;
        }
        lines << cells.join(u'\t');
    }
    return lines.join(u'\n');
}

QString clipboardText(const Block& block) {
    Block safe;
    for (const QStringList& row : block) {
        QStringList cells;
        for (const QString& cell : row)
            cells << spreadsheetSafe(cell);
        safe << cells;
    }
    return tabSeparated(safe);
}

QString spreadsheetSafe(const QString& text) {
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front()))
        return u'\'' + text;
    return text;
}

QString csvField(const QString& text) {
    QString field = spreadsheetSafe(text);
    if (field.contains(u',') || field.contains(u'"') || field.contains(u'\r') ||
        field.contains(u'\n')) {
        field.replace(QLatin1String("\""), QLatin1String("\"\""));
        field = u'"' + field + u'"';
    }
    return field;
}

QByteArray csvDocument(const Block& block) {
    QString text;
    for (const QStringList& row : block) {
        QStringList fields;
        for (const QString& cell : row)
            fields << csvField(cell);
        text += fields.join(u',') + QLatin1String("\r\n");
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

QString exportFileName(const QString& addressBoxText, QDate date) {
    // Far below the usual 255-byte limit, even in three-byte UTF-8 characters.
    constexpr qsizetype MaxTextLength = 60;
    QString text = addressBoxText.trimmed().left(MaxTextLength);
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = u'_';
    }
    QStringList parts{QStringLiteral("友情链接")};
    if (!text.isEmpty())
        parts << text;
    parts << date.toString(QStringLiteral("yyyy-MM-dd"));
    return parts.join(u'-') + QStringLiteral(".csv");
}

} // namespace gridtext
