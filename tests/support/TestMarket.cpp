#include "TestMarket.h"

#include "MarketConnection.h"
#include "MarketFaults.h"

#include <QSslConfiguration>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <optional>

namespace {

QString pageKey(const QString& host, const QString& path) {
    return host.toLower() + path;
}

QString hostOf(const QString& entry) {
    return QUrl(entry.section(u' ', 1)).host();
}

// Whether a Cookie header ("a=1; b=2") holds `cookie` ("b=2").
bool hasCookie(const QByteArray& header, const QByteArray& cookie) {
    const QList<QByteArray> cookies = header.split(';');
    return std::any_of(cookies.begin(), cookies.end(),
                       [&](const QByteArray& one) { return one.trimmed() == cookie; });
}

// Takes the mark `name` off the page: its value, if it was there.
std::optional<QByteArray> takeMark(MarketPage& page, const char* name) {
    const auto mark = std::find_if(page.headers.begin(), page.headers.end(),
                                   [&](const auto& header) { return header.first == name; });
    if (mark == page.headers.end())
        return std::nullopt;
    const QByteArray value = mark->second;
    page.headers.erase(mark);
    return value;
}

} // namespace

TestMarket::TestMarket(QObject* parent)
    : MarketServer(parent) {
    connect(this, &MarketServer::requested, this, &TestMarket::counted);
    connect(this, &MarketServer::answered, this, &TestMarket::uncounted);
    connect(this, &MarketServer::abandoned, this, [this](const QString& entry) {
        uncounted(entry);
        abandoned_.append(entry);
    });
    // A connection is pending once its handshake has succeeded.
    connect(&tlsServer_, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = tlsServer_.nextPendingConnection())
            serveConnection(socket);
    });
}

// The connections still open close after the counts have gone.
TestMarket::~TestMarket() {
    disconnect(this, nullptr, this, nullptr);
}

bool TestMarket::listenTls(const QHostAddress& address, quint16 port,
                           const QSslConfiguration& tls) {
    tlsServer_.setSslConfiguration(tls);
    return tlsServer_.listen(address, port);
}

void TestMarket::setPageForCookie(const QString& host, const QString& path,
                                  const QByteArray& cookie, const MarketPage& page) {
    cookiePages_.insert(pageKey(host, path), {cookie, page});
}

void TestMarket::setPagesInTurn(const QString& host, const QString& path,
                                const QList<MarketPage>& pages) {
    pagesInTurn_.insert(pageKey(host, path), pages);
}

void TestMarket::setHolding(bool holding) {
    holding_ = holding;
    if (holding)
        return;
    for (Held& one : std::exchange(held_, {})) {
        if (one.connection)
            send(*one.connection, one.page);
    }
}

void TestMarket::answer(const MarketRequest& request, MarketConnection& connection) {
    const QString key = pageKey(request.host, request.path);
    const auto forCookie = cookiePages_.constFind(key);
    const auto inTurn = pagesInTurn_.find(key);
    MarketPage page =
        forCookie != cookiePages_.cend() && hasCookie(request.cookies, forCookie->first)
            ? forCookie->second
        : inTurn != pagesInTurn_.end() && !inTurn->isEmpty()
            ? (inTurn->size() > 1 ? inTurn->takeFirst() : inTurn->first())
            : pageFor(request);
    if (takeMark(page, HeldMark) && holding_) {
        held_.append({&connection, page});
        return;
    }
    send(connection, page);
}

void TestMarket::send(MarketConnection& connection, MarketPage page) {
    const std::optional<QByteArray> fault = takeMark(page, FaultMark);
    if (!fault) {
        connection.send(page);
        return;
    }
    // A connection the fault closes at once has been answered, not abandoned.
    const auto played = MarketFault(fault->toInt());
    const auto play = [&connection, played, page] {
        playFault(played, connection.takeConnection(played != MarketFault::NeverAnswer), page);
    };
    if (page.delayMs > 0)
        QTimer::singleShot(page.delayMs, &connection, play);
    else
        play();
}

void TestMarket::counted(const QString& entry) {
    log_.append(entry);
    mostAtOnce_ = std::max(mostAtOnce_, ++inProgress_);
    mostAtOnceToOneHost_ = std::max(mostAtOnceToOneHost_, ++inProgressByHost_[hostOf(entry)]);
}

void TestMarket::uncounted(const QString& entry) {
    --inProgress_;
    if (--inProgressByHost_[hostOf(entry)] == 0)
        inProgressByHost_.remove(hostOf(entry));
}

MarketPage held(MarketPage page) {
    page.headers.append({QByteArray(TestMarket::HeldMark), QByteArray("1")});
    return page;
}
