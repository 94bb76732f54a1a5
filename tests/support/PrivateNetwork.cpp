#include "PrivateNetwork.h"

#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

namespace privatenetwork {

namespace {

bool loopbackUp() {
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = socket >= 0 && ::ioctl(socket, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags |= IFF_UP, ::ioctl(socket, SIOCSIFFLAGS, &request) == 0);
    if (socket >= 0)
        ::close(socket);
    return up;
}

} // namespace

bool enter() {
    if (::geteuid() != 0)
        return false;
    const int network = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int mounts = ::open("/proc/self/ns/mnt", O_RDONLY | O_CLOEXEC);
    bool entered = network >= 0 && mounts >= 0 && ::unshare(CLONE_NEWNET | CLONE_NEWNS) == 0;
    if (entered) {
        // Mounts made from now on stay in these namespaces.
        const bool ready =
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 && loopbackUp();
        if (!ready) {
            ::setns(network, CLONE_NEWNET);
            ::setns(mounts, CLONE_NEWNS);
            entered = false;
        }
    }
    for (const int namespaceFile : {network, mounts}) {
        if (namespaceFile >= 0)
            ::close(namespaceFile);
    }
    return entered;
}

BoundFile::BoundFile(const QByteArray& text, const char* target)
    : target_(target) {
    bound_ =
        file_.open() && file_.write(text) == text.size() && file_.flush() &&
        ::mount(file_.fileName().toLocal8Bit().constData(), target, nullptr, MS_BIND, nullptr) == 0;
}

BoundFile::~BoundFile() {
    if (bound_)
        ::umount2(target_, MNT_DETACH);
}

} // namespace privatenetwork
