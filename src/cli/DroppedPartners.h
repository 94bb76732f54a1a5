#pragma once

#include "DropNotificationText.h"
#include "GridComparison.h"

// The partners lost among `changes`, as the notification names them.
QList<DroppedPartner> droppedPartners(const QList<GridChange>& changes);
