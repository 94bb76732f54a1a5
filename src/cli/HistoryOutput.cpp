#include "HistoryOutput.h"

#include "RunEndings.h"
#include "TerminalTable.h"
#include "TerminalText.h"

#include <QJsonValue>

namespace historyoutput {

namespace {

// The check's time as the seller reads it, in local time.
QString localTime(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QStringList fields(const CheckSummary& check) {
    const CheckCounts& counts = check.counts;
    return {localTime(check.endedAt),
            terminaltext::oneLine(check.address),
            terminaltext::oneLine(endingText(check.outcome)),
            QString::number(counts.rows),
            QString::number(counts.linksBack),
            QString::number(counts.noLinkBack),
            QString::number(counts.notExisting),
            QString::number(counts.notChecked)};
}

} // namespace

QString isoTime(const QDateTime& time) {
    return time.toOffsetFromUtc(time.toLocalTime().offsetFromUtc()).toString(Qt::ISODate);
}

QString tsv(const QList<CheckSummary>& checks) {
    QString out;
    for (const CheckSummary& check : checks)
        out += terminaltext::tabSeparatedLine(fields(check));
    return out;
}

QString table(const QList<CheckSummary>& checks) {
    TerminalTable table(TerminalTable::LineEnd::SpacesCut);
    table.addLine({QStringLiteral("检查时间"), QStringLiteral("店铺地址"), QStringLiteral("结束"),
                   QStringLiteral("行数"), QStringLiteral("√"), QStringLiteral("×"),
                   QStringLiteral("不存在"), QStringLiteral("未检查完")});
    for (const CheckSummary& check : checks)
        table.addLine(fields(check));
    return table.text(false);
}

QJsonArray json(const QList<CheckSummary>& checks) {
    QJsonArray array;
    for (const CheckSummary& check : checks) {
        QJsonObject object = previous(check);
        object.insert(QStringLiteral("rows"), check.counts.rows);
        object.insert(QStringLiteral("linksBack"), check.counts.linksBack);
        object.insert(QStringLiteral("noLinkBack"), check.counts.noLinkBack);
        object.insert(QStringLiteral("notExisting"), check.counts.notExisting);
        object.insert(QStringLiteral("notChecked"), check.counts.notChecked);
        array.append(object);
    }
    return array;
}

QJsonObject previous(const CheckSummary& check) {
    return {{QStringLiteral("time"), isoTime(check.endedAt)},
            {QStringLiteral("address"), check.address},
            {QStringLiteral("ending"), endingName(check.outcome.ending)},
            {QStringLiteral("message"), check.outcome.message}};
}

} // namespace historyoutput
