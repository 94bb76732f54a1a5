#include "StandardOutput.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

StandardOutput::StandardOutput()
    : closedAtStart_(::fcntl(STDOUT_FILENO, F_GETFD) == -1) {
    if (closedAtStart_) {
        const int placeholder = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (placeholder >= 0 && placeholder != STDOUT_FILENO) {
            ::dup2(placeholder, STDOUT_FILENO);
            ::close(placeholder);
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
}

bool StandardOutput::write(const QByteArray& bytes) {
    int failure = closedAtStart_ ? EBADF : 0;
    if (!failure &&
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        failure = errno;
    if (!failure && std::fflush(stdout) != 0)
        failure = errno;
    if (failure)
        error_ = QString::fromLocal8Bit(std::strerror(failure));
    return !failure;
}
