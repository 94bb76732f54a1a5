#pragma once

#include "MarketServer.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QSslServer>
#include <QStringList>

class QHostAddress;
class QSslConfiguration;

// The marketplace server as the tests run it. It logs and counts the
// requests, and answers pages marked by withFault() (MarketFaults.h) with
// their fault, pages marked by held() only once the test releases them, and
// setPageForCookie()'s pages to the visitors that bring the cookie. Marks
// are headers of the page that are never sent.
class TestMarket : public MarketServer {
    Q_OBJECT

public:
    static constexpr char FaultMark[] = "X-Test-Fault";
    static constexpr char HeldMark[] = "X-Test-Held";

    explicit TestMarket(QObject* parent = nullptr);
    ~TestMarket() override;

    // Answers over TLS as well, on `address` and `port` (e.g. 443), with the
    // certificate and key of `tls`: the same pages and marks as on the plain
    // port, logged alike ("GET http://host/path"). False when it cannot
    // listen there.
    bool listenTls(const QHostAddress& address, quint16 port, const QSslConfiguration& tls);

    // The page for visitors whose requests carry the cookie `cookie`
    // ("name=value"), as a shop that first hands its visitors a cookie
    // answers; the others get the page set by setPage().
    void setPageForCookie(const QString& host, const QString& path, const QByteArray& cookie,
                          const MarketPage& page);

    // Answers the page's requests with `pages` in turn, the last of them
    // from then on, as a site that is busy first answers.
    void setPagesInTurn(const QString& host, const QString& path, const QList<MarketPage>& pages);

    // Whether answers of held pages wait (at first they do); turning it off
    // answers those waiting.
    void setHolding(bool holding);

    // One entry per request received, "GET http://host/path".
    QStringList requestLog() const { return log_; }
    // Requests received and not yet answered; the most there were at once,
    // in all and to any one host; and the requests whose client closed the
    // connection before the answer was sent, as log entries.
    int requestsInProgress() const { return inProgress_; }
    int mostAtOnce() const { return mostAtOnce_; }
    int mostAtOnceToOneHost() const { return mostAtOnceToOneHost_; }
    QStringList abandonedRequests() const { return abandoned_; }

protected:
    void answer(const MarketRequest& request, MarketConnection& connection) override;

private:
    struct Held {
        QPointer<MarketConnection> connection;
        MarketPage page;
    };

    void counted(const QString& entry);
    void uncounted(const QString& entry);
    void send(MarketConnection& connection, MarketPage page);

    QHash<QString, std::pair<QByteArray, MarketPage>> cookiePages_;
    QHash<QString, QList<MarketPage>> pagesInTurn_;
    bool holding_ = true;
    QList<Held> held_;
    QStringList log_;
    int inProgress_ = 0;
    int mostAtOnce_ = 0;
    int mostAtOnceToOneHost_ = 0;
    QHash<QString, int> inProgressByHost_;
    QStringList abandoned_;
    QSslServer tlsServer_;
};

// `page`, answered only once the test marketplace releases what it holds.
MarketPage held(MarketPage page);
