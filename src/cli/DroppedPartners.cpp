#include "DroppedPartners.h"

QList<DroppedPartner> droppedPartners(const QList<GridChange>& changes) {
    QList<DroppedPartner> drops;
    for (const GridChange& change : changes) {
        if (change.isDrop())
            drops.append({change.name, change.address, kindText(change.kind)});
    }
    return drops;
}
