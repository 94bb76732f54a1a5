#include "WebPageRenderer.h"

#include "BrowserSession.h"
#include "PageLoad.h"
#include "WebAddress.h"

#include <algorithm>

// A planned row below the current one, and its load once started.
struct WebPageRenderer::Ahead {
    qint32 row = 0;
    QString address;
    QString host;
    std::unique_ptr<PageLoad> load;
};

namespace {

QString hostOf(const QString& address) {
    return webAddress(address).host().toLower();
}

} // namespace

WebPageRenderer::WebPageRenderer(std::chrono::milliseconds timeout, int jobs, QObject* parent)
    : QObject(parent)
    , timeout_(timeout)
    , jobs_(std::max(0, jobs)) {}

WebPageRenderer::~WebPageRenderer() = default;

void WebPageRenderer::RenderPage(const QString& url) {
    const auto own = std::find_if(ahead_.begin(), ahead_.end(), [&](const Ahead& ahead) {
        return ahead.row == currentRow_ && ahead.address == url;
    });
    std::unique_ptr<PageLoad> loadedAhead;
    if (own != ahead_.end()) {
        loadedAhead = std::move(own->load);
        ahead_.erase(own);
    }
    current_.reset();
    if (!loadedAhead)
        makeRoomForOwnLoad();
    current_ = loadedAhead ? std::move(loadedAhead) : load(url);
    startLoadsAhead();
    updateState();
}

QString WebPageRenderer::bodyInnerHtml() {
    return current_ && current_->isComplete() ? current_->body() : QString();
}

void WebPageRenderer::stopLoading() {
    current_.reset();
    updateState();
}

void WebPageRenderer::planRows(const QList<PlannedRow>& rows) {
    if (jobs_ == 0)
        return;
    for (const PlannedRow& row : rows) {
        if (row.row > currentRow_)
            ahead_.push_back({row.row, row.address, hostOf(row.address), nullptr});
    }
    startLoadsAhead();
}

void WebPageRenderer::enterRow(qint32 row) {
    currentRow_ = row;
    // A page loaded ahead serves only its own row.
    std::erase_if(ahead_, [row](const Ahead& ahead) { return ahead.row < row; });
    startLoadsAhead();
}

void WebPageRenderer::endRun() {
    ahead_.clear();
    current_.reset();
    if (browser_)
        browser_->dropCookies();
    currentRow_ = 0;
    updateState();
}

int WebPageRenderer::pagesOpen() const {
    const auto open = std::count_if(ahead_.begin(), ahead_.end(), [](const Ahead& ahead) {
        return ahead.load && ahead.load->hasPage();
    });
    return int(open) + (current_ && current_->hasPage() ? 1 : 0);
}

std::unique_ptr<PageLoad> WebPageRenderer::load(const QString& url) {
    if (!browser_)
        browser_ = std::make_unique<BrowserSession>();
    auto started = std::make_unique<PageLoad>(*browser_, url, timeout_);
    // The end of any load may free a place for a load ahead.
    connect(started.get(), &PageLoad::completed, this, [this] {
        updateState();
        startLoadsAhead();
    });
    // A page that leaves a host may free a place for a load ahead to it. The
    // page reports its navigation from inside the browser's own call: new
    // loads start once that has returned.
    connect(started.get(), &PageLoad::hostChanged, this, &WebPageRenderer::startLoadsAhead,
            Qt::QueuedConnection);
    return started;
}

// The run's own page comes first: when every place is taken, the load
// ahead for the furthest row gives its place up.
void WebPageRenderer::makeRoomForOwnLoad() {
    if (pagesOpen() < jobs_ + 1)
        return;
    const auto furthest = std::find_if(ahead_.rbegin(), ahead_.rend(), [](const Ahead& ahead) {
        return ahead.load && ahead.load->hasPage();
    });
    if (furthest != ahead_.rend())
        furthest->load.reset();
}

// Starts loads ahead in row order while places are free and the bodies held
// leave room for more.
void WebPageRenderer::startLoadsAhead() {
    if (jobs_ == 0)
        return;
    for (Ahead& ahead : ahead_) {
        if (pagesOpen() >= jobs_ + 1 || bodiesHeld() >= jobs_ * PageLoad::MaxBodyLength)
            return;
        if (ahead.load || navigationsTo(ahead.host) >= MaxPerHost)
            continue;
        ahead.load = load(ahead.address);
    }
}

qsizetype WebPageRenderer::bodiesHeld() const {
    qsizetype held = 0;
    for (const Ahead& ahead : ahead_) {
        if (ahead.load && ahead.load->isComplete())
            held += ahead.load->body().size();
    }
    return held;
}

int WebPageRenderer::navigationsTo(const QString& host) const {
    const auto at = [&](const std::unique_ptr<PageLoad>& load) {
        return load && load->hasPage() && load->currentHost() == host;
    };
    const auto ahead =
        std::count_if(ahead_.begin(), ahead_.end(), [&](const Ahead& one) { return at(one.load); });
    return int(ahead) + (at(current_) ? 1 : 0);
}

void WebPageRenderer::updateState() {
    const State state = !current_ ? Idle : current_->isComplete() ? Complete : Loading;
    if (state_ == state)
        return;
    state_ = state;
    readyNotice_.raise();
}
