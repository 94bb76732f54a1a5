#pragma once

#include "RunOutcome.h"

#include <QString>
#include <optional>

// How a run ended, as `zembrel-check --list-history` names it in JSON
// ("finished", "stopped", "cancelled", "network-failure", "message"), and
// back; nothing for a name it does not know.
QString endingName(RunEnding ending);
std::optional<RunEnding> endingNamed(const QString& name);

// How a check ended as the seller reads it: "完成", "用户中止", "用户取消",
// "网络中断", or the message that ended it.
QString endingText(const RunOutcome& outcome);
