#pragma once

#include "ChangesWindow.h"
#include "DropNotificationText.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <chrono>
#include <functional>

// Where the notification of a drop goes and what a click on it does.
struct NotificationRoute {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Opens the window on `address`, listing the changes its latest check
    // found.
    std::function<void(const QString& address)> openChanges = openChangesWindow;
    // How long a click is waited for. A notification of a drop stays until
    // the seller closes it; after this, a click no longer opens anything.
    std::chrono::milliseconds wait = std::chrono::hours(8);
};

// Shows the partners `address` lost as a desktop notification (the
// freedesktop notification service on `route.bus`) and waits until the
// seller clicks it, which opens the window's list of changes, or closes it,
// or `route.wait` has passed. Without a bus, without a notification service,
// or when the service shows no clickable notifications, it waits for
// nothing; a problem with the bus is never the check's.
QCoro::Task<> notifyDrops(QString address, QList<DroppedPartner> drops,
                          NotificationRoute route = {});
