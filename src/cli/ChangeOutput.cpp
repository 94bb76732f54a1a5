#include "ChangeOutput.h"

#include "HistoryOutput.h"
#include "TerminalTable.h"
#include "TerminalText.h"

#include <QJsonObject>

namespace changeoutput {

using terminaltext::oneLine;

namespace {

QString beforeAndNow(const GridChange& change) {
    if (change.before.isEmpty() && change.now.isEmpty())
        return {};
    return oneLine(change.before) + QStringLiteral(" → ") + oneLine(change.now);
}

const QString Heading = QStringLiteral("\n与上次相比\n");

} // namespace

QString tableWithoutPrevious() {
    return Heading + QStringLiteral("没有上次的记录\n");
}

// Kind, name and address aligned, then before and now.
QString table(const QList<GridChange>& changes, bool styled, const QDateTime& previous) {
    if (changes.isEmpty())
        return Heading + QStringLiteral("没有变化\n");
    TerminalTable table(TerminalTable::LineEnd::SpacesCut);
    for (const GridChange& change : changes) {
        table.addLine({kindText(change.kind), oneLine(change.name), oneLine(change.address),
                       beforeAndNow(change) + olderCheckNote(change, previous)},
                      {}, {.red = change.isDrop()});
    }
    return Heading + table.text(styled);
}

QString tsv(const QList<GridChange>& changes, const QDateTime& previous) {
    QString out = QStringLiteral("\n");
    for (const GridChange& change : changes) {
        QStringList fields{kindText(change.kind), change.name, change.address, change.before,
                           change.now};
        if (change.againstOlderThan(previous))
            fields.append(historyoutput::isoTime(change.since));
        out += terminaltext::tabSeparatedLine(fields);
    }
    return out;
}

QJsonArray json(const QList<GridChange>& changes) {
    QJsonArray array;
    for (const GridChange& change : changes) {
        QJsonObject object{{QStringLiteral("kind"), kindText(change.kind)},
                           {QStringLiteral("name"), change.name},
                           {QStringLiteral("address"), change.address},
                           {QStringLiteral("before"), change.before},
                           {QStringLiteral("now"), change.now}};
        if (change.since.isValid())
            object.insert(QStringLiteral("since"), historyoutput::isoTime(change.since));
        array.append(object);
    }
    return array;
}

} // namespace changeoutput
