#include "PrivateNetwork.h"

#include <QHostAddress>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

namespace privatenetwork {

namespace {

// Whether enter() succeeded: addresses are added only inside its namespaces.
bool inOwnNamespaces = false;

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

// Sets an IPv4 address of the interface in `request` with `call`.
bool setInet(int socket, unsigned long call, ifreq& request, quint32 address) {
    sockaddr_in inet{};
    inet.sin_family = AF_INET;
    inet.sin_addr.s_addr = htonl(address);
    std::memcpy(&request.ifr_addr, &inet, sizeof inet);
    return ::ioctl(socket, call, &request) == 0;
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
    inOwnNamespaces = entered;
    return entered;
}

bool addLoopbackAddress(const QHostAddress& address) {
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (!inOwnNamespaces || !isIpv4)
        return false;
    // Each address is an alias of its own ("lo:1", "lo:2", ...).
    static int aliases = 0;
    ifreq request{};
    std::snprintf(request.ifr_name, IFNAMSIZ, "lo:%d", ++aliases);
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    // Without its own netmask the address would bring its whole class along.
    const bool added = socket >= 0 && setInet(socket, SIOCSIFADDR, request, ipv4) &&
                       setInet(socket, SIOCSIFNETMASK, request, 0xffffffff);
    if (socket >= 0)
        ::close(socket);
    return added;
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
