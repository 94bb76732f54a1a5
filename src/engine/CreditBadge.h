#pragma once

#include <QString>

// The credit level text for a badge image name such as "s_red_1.gif";
// "未知" for a name outside the marketplace's table. Exact, case-sensitive.
QString CreditBadgeText(const QString& imageName);
