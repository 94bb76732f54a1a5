#include "WebPageRenderer.h"

#include "BrowserAddressGuard.h"

#include <QFile>
#include <QUrl>
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

WebPageRenderer::WebPageRenderer(QObject* parent)
    : QObject(parent) {
    quietTimer_.setSingleShot(true);
    connect(&quietTimer_, &QTimer::timeout, this, &WebPageRenderer::onQuiet);
}

WebPageRenderer::~WebPageRenderer() {
    // Callbacks that the page answers while it goes away must find nothing
    // current; the page must go before its profile.
    ++generation_;
    delete page_;
    delete profile_;
}

void WebPageRenderer::createPage() {
    serializeBodyScript_ = resourceText(QStringLiteral(":/zembrel/serialize-body.js"));
    pendingRefreshScript_ = resourceText(QStringLiteral(":/zembrel/pending-refresh.js"));
    profile_ = createLockedDownProfile(nullptr);
    profile_->setUrlRequestInterceptor(new LocalAddressInterceptor(profile_));
    page_ = new GuardedPage(profile_, nullptr);
    connect(page_, &LockedDownPage::mainFrameNavigation, this,
            &WebPageRenderer::onMainFrameNavigation);
    connect(page_, &QWebEnginePage::loadFinished, this, &WebPageRenderer::onLoadFinished);
    // A renderer that dies mid-load never finishes it: a failed load.
    connect(page_, &QWebEnginePage::renderProcessTerminated, this, [this] {
        if (state_ == Loading)
            complete(QString());
    });
}

void WebPageRenderer::RenderPage(const QString& url) {
    if (!page_)
        createPage();
    ++generation_;
    quietTimer_.stop();
    body_.clear();
    state_ = Loading;
    navigationsAtRender_ = navigations_;
    page_->load(QUrl(url));
}

void WebPageRenderer::stopLoading() {
    ++generation_;
    quietTimer_.stop();
    state_ = Idle;
    if (page_)
        page_->triggerAction(QWebEnginePage::Stop);
}

bool WebPageRenderer::isCurrent(Mark mark) const {
    return state_ == Loading && mark.generation == generation_ && mark.navigations == navigations_;
}

void WebPageRenderer::onMainFrameNavigation() {
    ++navigations_;
    quietTimer_.stop();
}

void WebPageRenderer::onLoadFinished(bool ok) {
    // A load stopped before this RenderPage may report its end after it.
    if (state_ != Loading || navigations_ == navigationsAtRender_)
        return;
    const Mark mark = currentMark();
    if (!ok) {
        watchForQuiet(mark, SettlePeriod, false);
        return;
    }
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

void WebPageRenderer::complete(const QString& body) {
    body_ = body;
    state_ = Complete;
    readyNotice_.raise();
}
