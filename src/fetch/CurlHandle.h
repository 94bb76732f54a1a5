#pragma once

#include "PageTransfers.h"

#include <QByteArray>
#include <QNetworkProxy>
#include <curl/curl.h>

// One libcurl easy handle of the program's transfers, created with the
// options every transfer shares: no signals, no wait for a name still being
// resolved when the transfer ends, no proxy of libcurl's own choosing, and
// sockets opened through the transfers' guard. Every libcurl call is
// checked: a handle whose set-up failed is not valid, and cannot start.
// Going, it leaves the transfers and is cleaned up.
class CurlHandle {
public:
    explicit CurlHandle(PageTransfers& transfers);
    ~CurlHandle();
    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;

    bool isValid() const { return easy_ != nullptr; }
    CURL* get() const { return easy_; }

    // Sets one option; false, and the handle no longer valid, when libcurl
    // refuses it.
    template <typename Value> bool set(CURLoption option, Value value) {
        if (easy_ && curl_easy_setopt(easy_, option, value) == CURLE_OK)
            return true;
        cleanUp();
        return false;
    }

    // Connections go through `proxy` (HTTP, or SOCKS 5 with the name
    // resolved by the proxy) with its credentials, or directly when it is
    // no proxy; a direct connection goes only to an address the transfers'
    // policy allows, unless `checkDirect` is false (the user's own proxy).
    bool useProxy(const QNetworkProxy& proxy, bool checkDirect = true);

    // The address the policy refused the latest connection of the transfer
    // to, or empty.
    const QString& refusedAddress() const { return guard_.refused; }

    // Runs the transfer until it ends (it hears of it) or stop() is called;
    // false when the transfers refuse it.
    bool start(Transfer& transfer);
    void stop();

private:
    void cleanUp();

    PageTransfers& transfers_;
    CURL* easy_ = nullptr;
    SocketGuard guard_;
    // The proxy's address and credentials, which libcurl reads while the
    // transfer runs.
    QByteArray proxy_;
    QByteArray user_;
    QByteArray password_;
};
