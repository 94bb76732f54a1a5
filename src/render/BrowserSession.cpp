#include "BrowserSession.h"

#include "BrowserAddressGuard.h"

#include <QFile>
#include <QWebEngineProfile>

namespace {

QString resourceText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing resource %s", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}

} // namespace

BrowserSession::BrowserSession()
    : profile_(createLockedDownProfile(nullptr))
    , pendingRefreshScript_(resourceText(QStringLiteral(":/zembrel/pending-refresh.js")))
    , serializeBodyScript_(resourceText(QStringLiteral(":/zembrel/serialize-body.js"))) {
    profile_->setUrlRequestInterceptor(new LocalAddressInterceptor(profile_));
}

BrowserSession::~BrowserSession() {
    // The pages, retired ones included, must go before their profile.
    qDeleteAll(findChildren<LockedDownPage*>(Qt::FindDirectChildrenOnly));
    delete profile_;
}

LockedDownPage* BrowserSession::newPage() {
    return new GuardedPage(profile_, this);
}
