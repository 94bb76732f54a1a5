#pragma once

#include <QString>

// The desktop's notification service on the session bus
// (org.freedesktop.Notifications).
namespace notificationservice {

inline const QString Name = QStringLiteral("org.freedesktop.Notifications");
inline const QString Path = QStringLiteral("/org/freedesktop/Notifications");
inline const QString Interface = Name;
// The action a click on the notification itself invokes.
inline const QString DefaultAction = QStringLiteral("default");

} // namespace notificationservice
