#include "PageLoad.h"

#include "BrowserSession.h"
#include "LockedDownPage.h"

#include <QPointer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>

namespace {

// Page scripts run in their own world so that the page's own scripts cannot
// replace the functions they use.
constexpr quint32 ScriptWorld = QWebEngineScript::ApplicationWorld;

} // namespace

PageLoad::PageLoad(BrowserSession& browser, const QString& url, std::chrono::milliseconds timeout)
    : browser_(browser)
    , address_(url)
    , page_(browser.newPage())
    , pendingUrl_(url) {
    connect(page_, &LockedDownPage::mainFrameNavigation, this, &PageLoad::onMainFrameNavigation);
    connect(page_, &QWebEnginePage::loadingChanged, this, &PageLoad::onLoadingChanged);
    // A renderer that dies mid-load never finishes it: a failed load.
    connect(page_, &QWebEnginePage::renderProcessTerminated, this, [this] { complete(QString()); });
    quietTimer_.setSingleShot(true);
    connect(&quietTimer_, &QTimer::timeout, this, &PageLoad::onQuiet);
    // The page did not complete in time: it is stopped, and counts as a
    // failed load.
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { complete(QString()); });
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

void PageLoad::onMainFrameNavigation() {
    ++navigations_;
    quietTimer_.stop();
}

void PageLoad::onLoadingChanged(const QWebEngineLoadingInfo& info) {
    const Mark mark = currentMark();
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        if (!pendingUrl_.isEmpty()) {
            // The blank document is there: now the address.
            const QUrl url(pendingUrl_);
            pendingUrl_.clear();
            page_->load(url);
            return;
        }
        loadedUrl_ = page_->url();
        onDocumentLoaded(mark);
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        // The navigation ended without replacing the document (a download,
        // a 204 answer): a document that had loaded is still the one to read.
        if (pendingUrl_.isEmpty() && isLoadedDocument(page_->url())) {
            onDocumentLoaded(mark);
            return;
        }
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        break;
    }
    watchForQuiet(mark, SettlePeriod, false);
}

void PageLoad::onDocumentLoaded(Mark mark) {
    page_->runJavaScript(browser_.pendingRefreshScript(), ScriptWorld,
                         [self = QPointer(this), mark](const QVariant& delay) {
                             if (!self || !self->isCurrent(mark))
                                 return;
                             const double seconds = delay.toDouble();
                             const bool refreshPending =
                                 seconds >= 0 && seconds <= LongestRefreshWait.count();
                             const auto refreshWait = std::chrono::milliseconds(
                                 refreshPending ? qint64(seconds * 1000) : 0);
                             self->watchForQuiet(mark, refreshWait + SettlePeriod, true);
                         });
}

bool PageLoad::isLoadedDocument(const QUrl& url) const {
    return !loadedUrl_.isEmpty() &&
           url.adjusted(QUrl::RemoveFragment) == loadedUrl_.adjusted(QUrl::RemoveFragment);
}

void PageLoad::watchForQuiet(Mark mark, std::chrono::milliseconds period, bool loaded) {
    watched_ = mark;
    watchedLoaded_ = loaded;
    quietTimer_.start(period);
}

// No navigation began during the watch: the document is final. A failed
// load gives the empty body.
void PageLoad::onQuiet() {
    const Mark mark = watched_;
    if (!isCurrent(mark))
        return;
    if (!watchedLoaded_) {
        complete(QString());
        return;
    }
    page_->runJavaScript(browser_.serializeBodyScript(), ScriptWorld,
                         [self = QPointer(this), mark](const QVariant& body) {
                             if (self && self->isCurrent(mark))
                                 self->complete(body.toString());
                         });
}

void PageLoad::complete(const QString& body) {
    if (complete_)
        return;
    complete_ = true;
    quietTimer_.stop();
    deadline_.stop();
    retirePage();
    body_ = body;
    emit completed();
}
