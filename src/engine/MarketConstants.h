#pragma once

#include <QString>

// Values of the marketplace that the engine relies on.
namespace market {

// A shop address holding neither suffix gets MarketDomainSuffix appended.
inline const QString MarketDomainSuffix = QStringLiteral(".taobao.com");
inline const QString MallDomainSuffix = QStringLiteral(".tmall.com");

// Addresses that begin with either (exactly, case-sensitive) go through the
// click-redirect service and are loaded in the embedded browser.
inline const QString RedirectLinkPrefix = QStringLiteral("http://s.click.");
inline const QString SecureRedirectLinkPrefix = QStringLiteral("https://s.click.");

} // namespace market
