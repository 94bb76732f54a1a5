#include "ChangeOutput.h"

#include "TerminalText.h"

#include <QJsonObject>
#include <algorithm>
#include <array>

namespace changeoutput {

namespace {

constexpr qsizetype AlignedColumns = 3;

// Kind, name and address: the columns that are aligned.
std::array<QString, AlignedColumns> alignedTexts(const GridChange& change) {
    return {kindText(change.kind), gridtext::oneLine(change.name),
            gridtext::oneLine(change.address)};
}

QString beforeAndNow(const GridChange& change) {
    if (change.before.isEmpty() && change.now.isEmpty())
        return {};
    return gridtext::oneLine(change.before) + QStringLiteral(" → ") + gridtext::oneLine(change.now);
}

const QString Heading = QStringLiteral("\n与上次相比\n");

} // namespace

QString tableWithoutPrevious() {
    return Heading + QStringLiteral("没有上次的记录\n");
}

QString table(const QList<GridChange>& changes, bool styled) {
    QString out = Heading;
    if (changes.isEmpty())
        return out + QStringLiteral("没有变化\n");

    std::array<int, AlignedColumns> widths{};
    for (const GridChange& change : changes) {
        const std::array<QString, AlignedColumns> texts = alignedTexts(change);
        for (qsizetype col = 0; col < AlignedColumns; ++col)
            widths[col] = std::max(widths[col], gridtext::displayWidth(texts[col]));
    }
    for (const GridChange& change : changes) {
        QString line;
        const std::array<QString, AlignedColumns> texts = alignedTexts(change);
        for (qsizetype col = 0; col < AlignedColumns; ++col)
            line +=
                texts[col] + QString(widths[col] - gridtext::displayWidth(texts[col]) + 2, u' ');
        line += beforeAndNow(change);
        while (line.endsWith(u' '))
            line.chop(1);
        if (styled && change.isDrop())
            line = QStringLiteral("\x1b[31m") + line + QStringLiteral("\x1b[0m");
        out += line + u'\n';
    }
    return out;
}

QString tsv(const QList<GridChange>& changes) {
    QString out = QStringLiteral("\n");
    for (const GridChange& change : changes) {
        QStringList fields{kindText(change.kind), change.name, change.address, change.before,
                           change.now};
        for (QString& field : fields)
            field = gridtext::oneLine(field);
        out += fields.join(u'\t') + u'\n';
    }
    return out;
}

QJsonArray json(const QList<GridChange>& changes) {
    QJsonArray array;
    for (const GridChange& change : changes) {
        array.append(QJsonObject{{QStringLiteral("kind"), kindText(change.kind)},
                                 {QStringLiteral("name"), change.name},
                                 {QStringLiteral("address"), change.address},
                                 {QStringLiteral("before"), change.before},
                                 {QStringLiteral("now"), change.now}});
    }
    return array;
}

} // namespace changeoutput
