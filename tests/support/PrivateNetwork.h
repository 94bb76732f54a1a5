#pragma once

#include <QByteArray>
#include <QTemporaryFile>

class QHostAddress;

// Network and mount namespaces of the test process's own, for tests that
// need a name server or host names of their own. Entered at the top of
// main(), before any thread exists, so that every later thread and child
// process shares them; root only. Inside, the one network interface is the
// process's own loopback, and a file bound over a system file is seen by
// this process alone.
namespace privatenetwork {

// False, with nothing changed, when not root or when the kernel refuses.
bool enter();

// Gives the namespace's loopback one more IPv4 address, on its own (/32):
// e.g. a public-looking one, which the program does not refuse as local, for
// a server to listen on. It exists only inside the namespace, so traffic to
// it never leaves the machine. False when the namespaces were not entered or
// the kernel refuses.
bool addLoopbackAddress(const QHostAddress& address);

// The system's bundle of trusted certificate authorities, which libcurl and
// Qt's system store read: a BoundFile over it decides what they trust.
inline constexpr char CertificateBundle[] = "/etc/ssl/certs/ca-certificates.crt";

// A file of this text bound over `target` (e.g. /etc/hosts) for the
// object's life.
class BoundFile {
public:
    BoundFile(const QByteArray& text, const char* target);
    ~BoundFile();
    BoundFile(const BoundFile&) = delete;
    BoundFile& operator=(const BoundFile&) = delete;

    bool isBound() const { return bound_; }

private:
    QTemporaryFile file_;
    const char* target_;
    bool bound_ = false;
};

} // namespace privatenetwork
