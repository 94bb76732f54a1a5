#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <functional>

// Ctrl+C as the Stop button: the first SIGINT calls `onInterrupt` from the
// event loop (the signal handler only writes to a pipe); a second SIGINT
// ends the program at once with status 130. One instance at a time.
class InterruptStop : public QObject {
public:
    explicit InterruptStop(std::function<void()> onInterrupt, QObject* parent = nullptr);
    ~InterruptStop() override;

    InterruptStop(const InterruptStop&) = delete;
    InterruptStop& operator=(const InterruptStop&) = delete;

    bool isActive() const { return notifier_ != nullptr; }

private:
    static void handleSignal(int);
    void readInterrupts();

    std::function<void()> onInterrupt_;
    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previous_ = {};
};
