#include "HostConnection.h"

#include <QHostAddress>
#include <QUrl>
#include <curl/curl.h>
#include <fcntl.h>

HostConnection::HostConnection(PageTransfers& transfers, const QString& host, quint16 port,
                               const QNetworkProxy& socksProxy, bool checked,
                               std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent)
    , transfers_(transfers)
    , host_(host)
    , port_(port)
    , socksProxy_(socksProxy)
    , timeout_(timeout) {
    socketGuard_.direct = checked && socksProxy.type() == QNetworkProxy::NoProxy;
}

HostConnection::~HostConnection() {
    endTransfer();
}

void HostConnection::start() {
    if (!setUp() || !transfers_.add(easy_, *this)) {
        endTransfer();
        QMetaObject::invokeMethod(
            this, [this] { emit connected(-1); }, Qt::QueuedConnection);
    }
}

// libcurl connects to http://host:port/ and stops there.
bool HostConnection::setUp() {
    easy_ = curl_easy_init();
    if (!easy_)
        return false;
    QUrl target;
    target.setScheme(QStringLiteral("http"));
    target.setHost(host_);
    target.setPort(port_);
    const QByteArray url = target.toEncoded();
    const QByteArray proxy = socksProxy_.type() == QNetworkProxy::Socks5Proxy
                                 ? "socks5h://" + QUrl::toAce(socksProxy_.hostName()) + ':' +
                                       QByteArray::number(socksProxy_.port())
                                 : QByteArray();
    const QByteArray user = socksProxy_.user().toUtf8();
    const QByteArray password = socksProxy_.password().toUtf8();
    const auto set = [this](CURLoption option, auto value) {
        return curl_easy_setopt(easy_, option, value) == CURLE_OK;
    };
    return target.isValid() && set(CURLOPT_URL, url.constData()) && set(CURLOPT_CONNECT_ONLY, 1L) &&
           set(CURLOPT_PROTOCOLS_STR, "http") && set(CURLOPT_NOSIGNAL, 1L) &&
           set(CURLOPT_QUICK_EXIT, 1L) && set(CURLOPT_TIMEOUT_MS, long(timeout_.count())) &&
           // An empty proxy keeps libcurl from reading proxy variables itself.
           set(CURLOPT_PROXY, proxy.constData()) && set(CURLOPT_NOPROXY, "") &&
           set(CURLOPT_PROXYUSERNAME, user.isEmpty() ? nullptr : user.constData()) &&
           set(CURLOPT_PROXYPASSWORD, user.isEmpty() ? nullptr : password.constData()) &&
           transfers_.guardSockets(easy_, socketGuard_);
}

// Connected: the socket is duplicated for the receiver before libcurl
// closes its own.
void HostConnection::transferEnded(int result) {
    curl_socket_t socket = CURL_SOCKET_BAD;
    const bool open = result == CURLE_OK &&
                      curl_easy_getinfo(easy_, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
                      socket != CURL_SOCKET_BAD;
    const int handedOver = open ? ::fcntl(socket, F_DUPFD_CLOEXEC, 0) : -1;
    endTransfer();
    emit connected(handedOver);
}

void HostConnection::endTransfer() {
    if (!easy_)
        return;
    transfers_.remove(easy_);
    curl_easy_cleanup(easy_);
    easy_ = nullptr;
}
