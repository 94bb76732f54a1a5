#pragma once

#include <QByteArray>
#include <QJsonObject>

class HeadlessWindow;

// The results of a check as one JSON document for standard output.
namespace checkdocument {

// The window's final state (address box, buttons, stop flag, messages shown
// and the whole grid) and how its last run ended ("lastRun": the address it
// checked, its ending and message, whether it listed its friend links),
// followed by a line break. The document also holds
// the members of `comparison` ("changes", and "previous" for a check
// compared with the history).
QByteArray json(const HeadlessWindow& window, const QJsonObject& comparison = {});

} // namespace checkdocument
