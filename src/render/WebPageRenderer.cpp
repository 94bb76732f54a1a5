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
    return started;
}

// Starts loads ahead in row order while places are free; a load finished
// ahead keeps its place until its row takes it.
void WebPageRenderer::startLoadsAhead() {
    auto taken = std::count_if(ahead_.begin(), ahead_.end(),
                               [](const Ahead& ahead) { return ahead.load != nullptr; });
    for (Ahead& ahead : ahead_) {
        if (taken >= jobs_)
            return;
        if (ahead.load || navigationsTo(ahead.host) >= MaxPerHost)
            continue;
        ahead.load = load(ahead.address);
        ++taken;
    }
}

int WebPageRenderer::navigationsTo(const QString& host) const {
    const auto ahead = std::count_if(ahead_.begin(), ahead_.end(), [&](const Ahead& one) {
        return one.host == host && one.load && one.load->hasPage();
    });
    const bool own = current_ && current_->hasPage() && hostOf(current_->address()) == host;
    return int(ahead) + (own ? 1 : 0);
}

void WebPageRenderer::updateState() {
    const State state = !current_ ? Idle : current_->isComplete() ? Complete : Loading;
    if (state_ == state)
        return;
    state_ = state;
    readyNotice_.raise();
}
