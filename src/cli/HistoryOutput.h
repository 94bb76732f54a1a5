#pragma once

#include "CheckRecord.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// Recorded checks as zembrel-check prints them.
namespace historyoutput {

// One line per check, newest first as given: local time, address, how it
// ended, then the numbers of rows, of "√", of "×", of "不存在" and of rows
// not fully checked, separated by tabs; no header line.
QString tsv(const QList<CheckSummary>& checks);

// The same under a header line, in aligned columns.
QString table(const QList<CheckSummary>& checks);

// One object per check: "time" (local, ISO 8601 with its offset from UTC),
// "address", "ending" (finished, stopped, cancelled, network-failure or
// message), "message", "rows", "linksBack", "noLinkBack", "notExisting",
// "notChecked".
QJsonArray json(const QList<CheckSummary>& checks);

// The check compared with: "time", "address", "ending" and "message".
QJsonObject previous(const CheckSummary& check);

// A time as the JSON outputs write it: local, with its offset.
QString isoTime(const QDateTime& time);

} // namespace historyoutput
