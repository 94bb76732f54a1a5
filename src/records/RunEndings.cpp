#include "RunEndings.h"

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

} // namespace

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
