#include "WebPageRenderer.h"

#include "BrowserAddressGuard.h"

#include <QFile>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>

namespace {

QString resourceText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing resource %s", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}

// Page scripts run in their own world so that the page's own scripts cannot
// replace the functions they use.
constexpr quint32 ScriptWorld = QWebEngineScript::ApplicationWorld;

} // namespace

WebPageRenderer::WebPageRenderer(std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent) {
    quietTimer_.setSingleShot(true);
    connect(&quietTimer_, &QTimer::timeout, this, &WebPageRenderer::onQuiet);
    deadline_.setSingleShot(true);
    deadline_.setInterval(timeout);
    connect(&deadline_, &QTimer::timeout, this, &WebPageRenderer::onDeadline);
}

WebPageRenderer::~WebPageRenderer() {
    // Callbacks that the pages answer while they go away must find nothing
    // current; the pages, retired ones included, must go before their
    // profile.
    ++generation_;
    qDeleteAll(findChildren<LockedDownPage*>(Qt::FindDirectChildrenOnly));
    delete profile_;
}

void WebPageRenderer::startBrowser() {
    serializeBodyScript_ = resourceText(QStringLiteral(":/zembrel/serialize-body.js"));
    pendingRefreshScript_ = resourceText(QStringLiteral(":/zembrel/pending-refresh.js"));
    profile_ = createLockedDownProfile(nullptr);
    profile_->setUrlRequestInterceptor(new LocalAddressInterceptor(profile_));
}

void WebPageRenderer::openPage() {
    page_ = new GuardedPage(profile_, this);
    connect(page_, &LockedDownPage::mainFrameNavigation, this,
            &WebPageRenderer::onMainFrameNavigation);
    connect(page_, &QWebEnginePage::loadingChanged, this, &WebPageRenderer::onLoadingChanged);
    // A renderer that dies mid-load never finishes it: a failed load.
    connect(page_, &QWebEnginePage::renderProcessTerminated, this, [this] {
        if (state_ == Loading)
            complete(QString());
    });
}

// Nothing the page does from now on reaches the renderer: its signals are cut
// before it is stopped, and it goes once the current event is handled.
void WebPageRenderer::retirePage() {
    if (!page_)
        return;
    disconnect(page_, nullptr, this, nullptr);
    page_->triggerAction(QWebEnginePage::Stop);
    page_->deleteLater();
    page_ = nullptr;
}

void WebPageRenderer::RenderPage(const QString& url) {
    if (!profile_)
        startBrowser();
    ++generation_;
    quietTimer_.stop();
    retirePage();
    openPage();
    loadedUrl_.clear();
    body_.clear();
    pendingUrl_ = url;
    deadline_.start();
    setState(Loading);
    page_->load(QUrl(QStringLiteral("about:blank")));
}

void WebPageRenderer::stopLoading() {
    ++generation_;
    quietTimer_.stop();
    deadline_.stop();
    retirePage();
    pendingUrl_.clear();
    setState(Idle);
}

bool WebPageRenderer::isCurrent(Mark mark) const {
    return state_ == Loading && mark.generation == generation_ && mark.navigations == navigations_;
}

void WebPageRenderer::onMainFrameNavigation() {
    ++navigations_;
    quietTimer_.stop();
}

void WebPageRenderer::onLoadingChanged(const QWebEngineLoadingInfo& info) {
    if (state_ != Loading)
        return;
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

void WebPageRenderer::onDocumentLoaded(Mark mark) {
    page_->runJavaScript(pendingRefreshScript_, ScriptWorld, [this, mark](const QVariant& delay) {
        if (!isCurrent(mark))
            return;
        const double seconds = delay.toDouble();
        const bool refreshPending = seconds >= 0 && seconds <= LongestRefreshWait.count();
        const auto refreshWait =
            std::chrono::milliseconds(refreshPending ? qint64(seconds * 1000) : 0);
        watchForQuiet(mark, refreshWait + SettlePeriod, true);
    });
}

bool WebPageRenderer::isLoadedDocument(const QUrl& url) const {
    return !loadedUrl_.isEmpty() &&
           url.adjusted(QUrl::RemoveFragment) == loadedUrl_.adjusted(QUrl::RemoveFragment);
}

void WebPageRenderer::watchForQuiet(Mark mark, std::chrono::milliseconds period, bool loaded) {
    watched_ = mark;
    watchedLoaded_ = loaded;
    quietTimer_.start(period);
}

// No navigation began during the watch: the document is final. A failed
// load gives the empty body.
void WebPageRenderer::onQuiet() {
    const Mark mark = watched_;
    if (!isCurrent(mark))
        return;
    if (!watchedLoaded_) {
        complete(QString());
        return;
    }
    page_->runJavaScript(serializeBodyScript_, ScriptWorld, [this, mark](const QVariant& body) {
        if (isCurrent(mark))
            complete(body.toString());
    });
}

// The page did not complete in time: it is stopped, and counts as a failed
// load.
void WebPageRenderer::onDeadline() {
    if (state_ != Loading)
        return;
    ++generation_;
    quietTimer_.stop();
    retirePage();
    pendingUrl_.clear();
    complete(QString());
}

void WebPageRenderer::complete(const QString& body) {
    deadline_.stop();
    body_ = body;
    setState(Complete);
}

void WebPageRenderer::setState(State state) {
    if (state_ == state)
        return;
    state_ = state;
    readyNotice_.raise();
}
