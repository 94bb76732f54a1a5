#pragma once

#include <QList>
#include <QObject>
#include <coroutine>
#include <memory>

// A notice that something a run may be waiting for has happened (Stop was
// pressed, the browser's page changed state).
class RunNotice : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    void raise() { emit raised(); }

signals:
    void raised();
};

// Awaiting a NoticeWait suspends a coroutine until one of the notices is
// raised. The coroutine is resumed once, from the event loop after the code
// that raised the notice has returned, however many of the notices are
// raised meanwhile; a notice raised later wakes no one. A coroutine
// destroyed while it waits is never resumed.
class NoticeWait {
public:
    explicit NoticeWait(QList<RunNotice*> notices)
        : notices_(std::move(notices)) {}

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiting);
    void await_resume() const noexcept {}

private:
    QList<RunNotice*> notices_;
    // The connections and the resumption belong to it, so that they end
    // with the wait.
    std::unique_ptr<QObject> resumer_ = std::make_unique<QObject>();
};
