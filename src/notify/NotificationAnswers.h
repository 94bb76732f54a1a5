#pragma once

#include <QHash>
#include <QObject>
#include <optional>

class QDBusConnection;

// How the desktop's notification service answered about the notifications
// shown on one bus: a click on one (its default action) or its closing. The
// service sends these signals to every client, so each names its
// notification; they are kept from the moment this object exists, so that
// none is missed while a notification is still being shown.
class NotificationAnswers : public QObject {
    Q_OBJECT

public:
    enum class Answer { Clicked, Closed };

    explicit NotificationAnswers(QDBusConnection bus);

    // The first answer about notification `id`, if there was one yet.
    std::optional<Answer> answerFor(uint id) const;
    // From now on only the answers about notification `id` are kept.
    void follow(uint id);

signals:
    // Some notification was answered.
    void answered();

private slots:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    void note(uint id, Answer answer);

    QHash<uint, Answer> answers_;
    std::optional<uint> followed_;
};
