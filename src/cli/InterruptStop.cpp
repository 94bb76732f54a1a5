#include "InterruptStop.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The signal handler can reach only these: the write end of the pipe and
// the number of interrupts so far.
volatile std::sig_atomic_t interruptWriteFd = -1;
volatile std::sig_atomic_t interruptCount = 0;

constexpr int InterruptedExitStatus = 130;

} // namespace

InterruptStop::InterruptStop(std::function<void()> onInterrupt, QObject* parent)
    : QObject(parent)
    , onInterrupt_(std::move(onInterrupt)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0)
        return;
    interruptWriteFd = fds_[1];
    interruptCount = 0;
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &InterruptStop::readInterrupts);

    struct sigaction action = {};
    action.sa_handler = &InterruptStop::handleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous_);
}

InterruptStop::~InterruptStop() {
    if (!notifier_)
        return;
    sigaction(SIGINT, &previous_, nullptr);
    interruptWriteFd = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void InterruptStop::handleSignal(int) {
    interruptCount = interruptCount + 1;
    if (interruptCount > 1)
        ::_exit(InterruptedExitStatus);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptWriteFd, &byte, 1);
}

void InterruptStop::readInterrupts() {
    char bytes[16];
    while (::read(fds_[0], bytes, sizeof bytes) > 0) {
    }
    onInterrupt_();
}
