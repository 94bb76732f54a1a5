#include "BrowserSession.h"

#include "BrowserAddressGuard.h"
#include "PageLoad.h"

#include <QFile>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

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
    , documentStateScript_(resourceText(QStringLiteral(":/zembrel/document-state.js")))
    , serializeBodyScript_(resourceText(QStringLiteral(":/zembrel/serialize-body.js")) +
                           QStringLiteral("(%1);").arg(PageLoad::MaxBodyLength)) {
    profile_->setUrlRequestInterceptor(new LocalAddressInterceptor(profile_));
    QWebEngineScript noDownloadLinks;
    noDownloadLinks.setName(QStringLiteral("no-download-links"));
    noDownloadLinks.setSourceCode(resourceText(QStringLiteral(":/zembrel/no-download-links.js")));
    noDownloadLinks.setInjectionPoint(QWebEngineScript::DocumentCreation);
    noDownloadLinks.setWorldId(QWebEngineScript::MainWorld);
    noDownloadLinks.setRunsOnSubFrames(false);
    profile_->scripts()->insert(noDownloadLinks);
}

BrowserSession::~BrowserSession() {
    // The pages, retired ones included, must go before their profile.
    qDeleteAll(findChildren<LockedDownPage*>(Qt::FindDirectChildrenOnly));
    delete profile_;
}

void BrowserSession::dropCookies() {
    profile_->cookieStore()->deleteAllCookies();
}

LockedDownPage* BrowserSession::newPage() {
    return new GuardedPage(profile_, this);
}
