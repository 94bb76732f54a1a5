#include "DropNotification.h"

#include "NotificationAnswers.h"
#include "NotificationService.h"

#include <QCoroDBus>
#include <QCoroSignal>
#include <QDBusMessage>
#include <QDeadlineTimer>

namespace {

QDBusMessage serviceCall(const QString& method) {
    return QDBusMessage::createMethodCall(notificationservice::Name, notificationservice::Path,
                                          notificationservice::Interface, method);
}

// Notify(app_name, replaces_id, app_icon, summary, body, actions, hints,
// expire_timeout): the seller's partners lost, shown until closed, with the
// window's icon and desktop entry.
QDBusMessage notifyCall(const QString& address, const QList<DroppedPartner>& drops,
                        const QStringList& capabilities) {
    const bool clickable = capabilities.contains(QStringLiteral("actions"));
    QDBusMessage call = serviceCall(QStringLiteral("Notify"));
    call << QStringLiteral("Zembrel") << 0u << QStringLiteral("zembrel")
         << dropSummary(address, drops.size())
         << dropBody(drops, clickable, capabilities.contains(QStringLiteral("body-markup")))
         << (clickable ? QStringList{notificationservice::DefaultAction, QStringLiteral("查看变化")}
                       : QStringList())
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("zembrel")}} << 0;
    return call;
}

std::chrono::milliseconds remaining(const QDeadlineTimer& deadline) {
    return std::chrono::ceil<std::chrono::milliseconds>(deadline.remainingTimeAsDuration());
}

} // namespace

QCoro::Task<> notifyDrops(QString address, QList<DroppedPartner> drops, NotificationRoute route) {
    if (drops.isEmpty() || !route.bus.isConnected())
        co_return;
    // Listening before the notification exists, so that no answer is missed.
    NotificationAnswers answers(route.bus);
    const QDBusMessage capabilities =
        co_await route.bus.asyncCall(serviceCall(QStringLiteral("GetCapabilities")));
    if (capabilities.type() != QDBusMessage::ReplyMessage)
        co_return;
    const QStringList offered = capabilities.arguments().value(0).toStringList();
    const QDBusMessage shown = co_await route.bus.asyncCall(notifyCall(address, drops, offered));
    if (shown.type() != QDBusMessage::ReplyMessage || !offered.contains(QStringLiteral("actions")))
        co_return;
    const uint id = shown.arguments().value(0).toUInt();
    answers.follow(id);
    const QDeadlineTimer deadline(route.wait);
    while (!answers.answerFor(id) && !deadline.hasExpired())
        co_await qCoro(&answers, &NotificationAnswers::answered, remaining(deadline));
    if (answers.answerFor(id) == NotificationAnswers::Answer::Clicked)
        route.openChanges(address);
}
