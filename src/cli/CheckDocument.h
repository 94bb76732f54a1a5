#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <optional>

class HeadlessWindow;

// The results of a check as one JSON document for standard output.
namespace checkdocument {

// The window's final state (address box, buttons, stop flag, messages shown
// and the whole grid), followed by a line break. With `changes`, the
// document also holds them as "changes".
QByteArray json(const HeadlessWindow& window,
                const std::optional<QJsonArray>& changes = std::nullopt);

} // namespace checkdocument
