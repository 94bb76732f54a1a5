#include "HostConnection.h"

#include "CurlHandle.h"

#include <QUrl>
#include <fcntl.h>

HostConnection::HostConnection(PageTransfers& transfers, const QString& host, quint16 port,
                               const QNetworkProxy& socksProxy, bool checked,
                               std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent)
    , transfers_(transfers)
    , host_(host)
    , port_(port)
    , socksProxy_(socksProxy.type() == QNetworkProxy::Socks5Proxy ? socksProxy
                                                                  : QNetworkProxy::NoProxy)
    , checked_(checked)
    , timeout_(timeout) {}

HostConnection::~HostConnection() = default;

void HostConnection::start() {
    if (!setUp() || !handle_->start(*this)) {
        handle_.reset();
        QMetaObject::invokeMethod(
            this, [this] { emit connected(-1); }, Qt::QueuedConnection);
    }
}

// libcurl connects to http://host:port/ and stops there.
bool HostConnection::setUp() {
    QUrl target;
    target.setScheme(QStringLiteral("http"));
    target.setHost(host_);
    target.setPort(port_);
    const QByteArray url = target.toEncoded();
    handle_ = std::make_unique<CurlHandle>(transfers_);
    CurlHandle& h = *handle_;
    return target.isValid() && h.set(CURLOPT_URL, url.constData()) &&
           h.set(CURLOPT_CONNECT_ONLY, 1L) && h.set(CURLOPT_PROTOCOLS_STR, "http") &&
           h.set(CURLOPT_TIMEOUT_MS, long(timeout_.count())) && h.useProxy(socksProxy_, checked_);
}

// Connected: the socket is duplicated for the receiver before libcurl
// closes its own.
void HostConnection::transferEnded(int result) {
    curl_socket_t socket = CURL_SOCKET_BAD;
    const bool open =
        result == CURLE_OK &&
        curl_easy_getinfo(handle_->get(), CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
        socket != CURL_SOCKET_BAD;
    const int handedOver = open ? ::fcntl(socket, F_DUPFD_CLOEXEC, 0) : -1;
    refused_ = handle_->refusedAddress();
    handle_.reset();
    emit connected(handedOver);
}
