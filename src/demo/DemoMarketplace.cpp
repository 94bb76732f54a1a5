#include "DemoMarketplace.h"

#include "MarketServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const QString DemoShopAddress = QStringLiteral("zembrel-demo");

namespace {

// The page table lists, for each host and path, the stored file that is the
// body (none for a bare redirect), and optionally status, header charset,
// extra headers and a delay.
const QString PageFolder = QStringLiteral(":/demo/");

QByteArray storedFile(const QString& name) {
    QFile file(PageFolder + name);
    const bool opened = file.open(QIODevice::ReadOnly);
    Q_ASSERT_X(opened, "installDemoMarketplace", qPrintable(name));
    return opened ? file.readAll() : QByteArray();
}

MarketPage demoPage(const QJsonObject& entry) {
    MarketPage page;
    page.status = entry.value(QLatin1String("status")).toInt(200);
    if (const QString file = entry.value(QLatin1String("file")).toString(); !file.isEmpty())
        page.body = storedFile(file);
    page.charset = entry.value(QLatin1String("charset")).toString().toLatin1();
    page.delayMs = entry.value(QLatin1String("delayMs")).toInt(0);
    for (const QJsonValue header : entry.value(QLatin1String("headers")).toArray()) {
        const QJsonArray pair = header.toArray();
        page.headers.append({pair.at(0).toString().toLatin1(), pair.at(1).toString().toLatin1()});
    }
    return page;
}

} // namespace

MarketServer* startDemoMarketplace(QObject* parent) {
    auto* server = new MarketServer(parent);
    installDemoMarketplace(*server);
    if (server->listen())
        return server;
    delete server;
    return nullptr;
}

void installDemoMarketplace(MarketServer& server) {
    Q_INIT_RESOURCE(demo);
    const QJsonDocument table = QJsonDocument::fromJson(storedFile(QStringLiteral("pages.json")));
    for (const QJsonValue value : table.object().value(QLatin1String("pages")).toArray()) {
        const QJsonObject entry = value.toObject();
        server.setPage(entry.value(QLatin1String("host")).toString(),
                       entry.value(QLatin1String("path")).toString(), demoPage(entry));
    }
}
