#pragma once

#include <QString>

class MarketServer;
class QObject;

// The demo marketplace: a small set of made-up shop pages, compiled into the
// program, that let a newcomer run a whole analysis without a network.

// The demo shop's address as a seller would type it: the bare sub-domain
// name, which the run completes with the marketplace's domain suffix.
extern const QString DemoShopAddress;

// Puts every page of the demo marketplace into `server`'s page table.
void installDemoMarketplace(MarketServer& server);

// A server on 127.0.0.1 serving the demo marketplace, owned by `parent`;
// null when it cannot listen. Route the program's traffic through its
// proxyUrl() before the first network access.
MarketServer* startDemoMarketplace(QObject* parent);
