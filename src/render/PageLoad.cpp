#include "PageLoad.h"

#include "BrowserSession.h"
#include "LockedDownPage.h"
#include "RefusedHosts.h"
#include "WebAddress.h"

#include <QPointer>
#include <QVariantMap>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <utility>

namespace {

// Page scripts run in their own world so that the page's own scripts cannot
// replace the functions they use.
constexpr quint32 ScriptWorld = QWebEngineScript::ApplicationWorld;

// A document still loading is looked at again this often: the browser does
// not report the end of every navigation that leaves it in place.
constexpr std::chrono::milliseconds LookAgainPeriod{50};

bool isWebAddress(const QUrl& url) {
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// A site that will not hand this page out: 401, 403 or 429.
bool isRefusal(const QWebEngineLoadingInfo& info) {
    const int status = info.errorCode();
    return info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain &&
           (status == 401 || status == 403 || status == 429);
}

// Another client error's page (a shop that is gone) is read like any page.
bool isClientErrorPage(const QWebEngineLoadingInfo& info) {
    return info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain &&
           info.errorCode() >= 400 && info.errorCode() <= 499 && !isRefusal(info);
}

} // namespace

PageLoad::PageLoad(BrowserSession& browser, const QString& url, std::chrono::milliseconds timeout,
                   const RefusedHosts* refusedHosts)
    : browser_(browser)
    , refusedHosts_(refusedHosts)
    , address_(url)
    , currentHost_(hostOf(url))
    , page_(browser.newPage())
    , pendingUrl_(attributeText(url), QUrl::TolerantMode) {
    connect(page_, &LockedDownPage::mainFrameNavigation, this, &PageLoad::onMainFrameNavigation);
    connect(page_, &LockedDownPage::mainFrameRefused, this, [this](const QUrl& refused) {
        failure_ = {QString(), PageProblem::LocalAddress, refused.host()};
    });
    connect(page_, &QWebEnginePage::loadingChanged, this, &PageLoad::onLoadingChanged);
    // A renderer that dies mid-load never finishes it: a failed load.
    connect(page_, &QWebEnginePage::renderProcessTerminated, this, &PageLoad::fail);
    quietTimer_.setSingleShot(true);
    connect(&quietTimer_, &QTimer::timeout, this, &PageLoad::onQuiet);
    // The page did not complete in time: it is stopped, and counts as a
    // failed load.
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &PageLoad::fail);
    deadline_.start(timeout);
    page_->load(QUrl(QStringLiteral("about:blank")));
}

PageLoad::~PageLoad() {
    retirePage();
}

// Nothing the page does from now on reaches the load: its signals are cut
// before it is stopped, and it goes once the current event is handled.
// Script results it still hands back find the load complete or gone.
void PageLoad::retirePage() {
    if (!page_)
        return;
    disconnect(page_, nullptr, this, nullptr);
    page_->triggerAction(QWebEnginePage::Stop);
    page_->deleteLater();
    page_ = nullptr;
}

bool PageLoad::isCurrent(Mark mark) const {
    return !complete_ && mark.navigations == navigations_;
}

void PageLoad::onMainFrameNavigation(const QUrl& url) {
    ++navigations_;
    quietTimer_.stop();
    // The blank document leaves the page where its address is going.
    const QString host = url.host().toLower();
    if (isWebAddress(url) && host != currentHost_) {
        currentHost_ = host;
        emit hostChanged();
    }
}

void PageLoad::onLoadingChanged(const QWebEngineLoadingInfo& info) {
    const Mark mark = currentMark();
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        if (!pendingUrl_.isEmpty()) {
            // The blank document is there: now the address.
            page_->load(std::exchange(pendingUrl_, QUrl()));
            return;
        }
        lookAtDocument(mark);
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        // The navigation ended without a document of its own (a download,
        // a 204 answer): the document shown, if any, stays. One the browser
        // refused outright (an unknown scheme) fails the load.
        if (isWebAddress(info.url())) {
            lookAtDocument(mark);
            return;
        }
        if (failure_.problem == PageProblem::NoAnswer)
            failure_.problem = PageProblem::NotWebAddress;
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        if (isClientErrorPage(info)) {
            lookAtDocument(mark);
            return;
        }
        noteFailure(info);
        break;
    }
    watchForQuiet(mark, SettlePeriod, AfterQuiet::Fail);
}

// What a failed navigation says about its address: a site that refuses it,
// a certificate that does not verify, or a host whose addresses the
// forwarding proxy refused.
void PageLoad::noteFailure(const QWebEngineLoadingInfo& info) {
    if (failure_.problem != PageProblem::NoAnswer)
        return;
    if (isRefusal(info))
        failure_ = {QString(), PageProblem::Refused,
                    QStringLiteral("HTTP %1").arg(info.errorCode())};
    else if (info.errorDomain() == QWebEngineLoadingInfo::CertificateErrorDomain)
        failure_ = {QString(), PageProblem::BadCertificate, info.errorString()};
    else if (refusedHosts_ && refusedHosts_->contains(info.url().host()))
        failure_ = {QString(), PageProblem::LocalAddress, info.url().host()};
}

// Asks the page whether the document it shows has finished loading and
// whether it has a refresh pending. A page that shows no document of an
// address yet has nothing to read: its load failed.
void PageLoad::lookAtDocument(Mark mark) {
    const QUrl shown = page_->url();
    if (shown.isEmpty() || shown.scheme() == QLatin1String("about")) {
        watchForQuiet(mark, SettlePeriod, AfterQuiet::Fail);
        return;
    }
    page_->runJavaScript(browser_.documentStateScript(), ScriptWorld,
                         [self = QPointer(this), mark](const QVariant& state) {
                             if (self && self->isCurrent(mark))
                                 self->onDocumentState(mark, state);
                         });
}

void PageLoad::onDocumentState(Mark mark, const QVariant& state) {
    const QVariantMap values = state.toMap();
    if (!values.value(QStringLiteral("complete")).toBool()) {
        watchForQuiet(mark, LookAgainPeriod, AfterQuiet::LookAgain);
        return;
    }
    const double seconds = values.value(QStringLiteral("refresh"), -1).toDouble();
    const bool refreshPending = seconds >= 0 && seconds <= LongestRefreshWait.count();
    const auto refreshWait = std::chrono::milliseconds(refreshPending ? qint64(seconds * 1000) : 0);
    watchForQuiet(mark, refreshWait + SettlePeriod, AfterQuiet::Serialise);
}

void PageLoad::watchForQuiet(Mark mark, std::chrono::milliseconds period, AfterQuiet then) {
    watched_ = mark;
    afterQuiet_ = then;
    quietTimer_.start(period);
}

// No navigation began during the watch.
void PageLoad::onQuiet() {
    const Mark mark = watched_;
    if (!isCurrent(mark))
        return;
    switch (afterQuiet_) {
    case AfterQuiet::Fail:
        fail();
        return;
    case AfterQuiet::LookAgain:
        lookAtDocument(mark);
        return;
    case AfterQuiet::Serialise:
        // A body over its cap comes back as null: the empty text, no answer.
        page_->runJavaScript(browser_.serializeBodyScript(), ScriptWorld,
                             [self = QPointer(this), mark](const QVariant& body) {
                                 if (self && self->isCurrent(mark))
                                     self->complete({body.toString(), PageProblem::None, {}});
                             });
        return;
    }
}

void PageLoad::complete(PageResult result) {
    if (complete_)
        return;
    complete_ = true;
    quietTimer_.stop();
    deadline_.stop();
    retirePage();
    result_ = std::move(result);
    if (result_.text.isEmpty() && result_.problem == PageProblem::None)
        result_.problem = PageProblem::NoAnswer;
    emit completed();
}
