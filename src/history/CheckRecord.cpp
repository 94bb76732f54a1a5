#include "CheckRecord.h"

#include "RunTexts.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<RunEnding, const char*>, 7> EndingNames{{
    {RunEnding::BeforeFetch, "before-fetch"},
    {RunEnding::Message, "message"},
    {RunEnding::NetworkFailure, "network-failure"},
    {RunEnding::Cancelled, "cancelled"},
    {RunEnding::Stopped, "stopped"},
    {RunEnding::Finished, "finished"},
    {RunEnding::Failed, "failed"},
}};

CheckCounts countsOf(const CheckedGrid& grid) {
    CheckCounts counts;
    for (const ShopRow& row : grid.rows) {
        ++counts.rows;
        counts.linksBack += int(row.linksBack == runtext::LinksBack);
        counts.noLinkBack += int(row.linksBack == runtext::NoLinkBack);
        counts.notExisting += int(row.status == runtext::NotExisting);
        counts.notChecked += int(!fullyChecked(row));
    }
    return counts;
}

} // namespace

QList<QStringList> CheckRecord::cellTexts() const {
    QList<QStringList> texts;
    for (const QList<ResultGrid::Cell>& row : cells) {
        QStringList rowTexts;
        for (const ResultGrid::Cell& cell : row)
            rowTexts.append(cell.text);
        texts.append(rowTexts);
    }
    return texts;
}

CheckedGrid CheckRecord::checkedGrid() const {
    if (!outcome.listedFriendLinks())
        return {{}, outcome.message};
    return ::checkedGrid(cellTexts(), {});
}

bool worthRecording(const RunOutcome& outcome) {
    return outcome.ending != RunEnding::BeforeFetch;
}

CheckRecord recordOf(const ResultGrid& grid, const QString& address, const RunOutcome& outcome,
                     const QDateTime& endedAt) {
    CheckRecord record;
    record.endedAt = endedAt;
    record.address = address;
    record.outcome = outcome;
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        QList<ResultGrid::Cell> cells;
        for (qint32 col = 0; col < grid.Cols(); ++col)
            cells.append(grid.cell(row, col));
        record.cells.append(cells);
    }
    record.foreColor = grid.ForeColor();
    if (outcome.listedFriendLinks())
        record.counts = countsOf(record.checkedGrid());
    return record;
}

QString endingName(RunEnding ending) {
    for (const auto& [value, name] : EndingNames) {
        if (value == ending)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<RunEnding> endingNamed(const QString& name) {
    for (const auto& [value, known] : EndingNames) {
        if (name == QLatin1String(known))
            return value;
    }
    return std::nullopt;
}

QString endingText(const RunOutcome& outcome) {
    switch (outcome.ending) {
    case RunEnding::Finished:
        return QStringLiteral("完成");
    case RunEnding::Stopped:
        return runtext::UserStopped;
    case RunEnding::Cancelled:
        return runtext::UserCancelled;
    case RunEnding::NetworkFailure:
        return runtext::NetworkBroken;
    case RunEnding::BeforeFetch:
    case RunEnding::Message:
    case RunEnding::Failed:
        break;
    }
    return outcome.message;
}
