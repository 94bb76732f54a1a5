#include "CheckRecord.h"

#include "RunTexts.h"

namespace {

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

CheckedGrid CheckRecord::checkedGrid() const {
    if (!outcome.listedFriendLinks())
        return {{}, outcome.message};
    return ::checkedGrid(cellTexts(), {});
}

bool worthRecording(const RunOutcome& outcome) {
    return outcome.ending != RunEnding::BeforeFetch;
}

CheckRecord recordOf(const GridCells& cells, std::optional<quint32> foreColor,
                     const QString& address, const RunOutcome& outcome, const QDateTime& endedAt) {
    CheckRecord record;
    record.endedAt = endedAt;
    record.address = address;
    record.outcome = outcome;
    record.cells = cells;
    record.foreColor = foreColor;
    if (outcome.listedFriendLinks())
        record.counts = countsOf(record.checkedGrid());
    return record;
}
