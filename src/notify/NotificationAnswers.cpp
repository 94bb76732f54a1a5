#include "NotificationAnswers.h"

#include "NotificationService.h"

#include <QDBusConnection>

// The connections end with this object.
NotificationAnswers::NotificationAnswers(QDBusConnection bus) {
    bus.connect(notificationservice::Name, notificationservice::Path,
                notificationservice::Interface, QStringLiteral("ActionInvoked"), this,
                SLOT(actionInvoked(uint, QString)));
    bus.connect(notificationservice::Name, notificationservice::Path,
                notificationservice::Interface, QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(uint, uint)));
}

std::optional<NotificationAnswers::Answer> NotificationAnswers::answerFor(uint id) const {
    if (const auto found = answers_.constFind(id); found != answers_.constEnd())
        return *found;
    return std::nullopt;
}

void NotificationAnswers::follow(uint id) {
    followed_ = id;
    answers_.removeIf([id](const auto& answer) { return answer.key() != id; });
}

void NotificationAnswers::actionInvoked(uint id, const QString& action) {
    if (action == notificationservice::DefaultAction)
        note(id, Answer::Clicked);
}

void NotificationAnswers::notificationClosed(uint id, uint) {
    note(id, Answer::Closed);
}

void NotificationAnswers::note(uint id, Answer answer) {
    if ((followed_ && id != *followed_) || answers_.contains(id))
        return;
    answers_.insert(id, answer);
    emit answered();
}
