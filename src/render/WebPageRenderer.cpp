#include "WebPageRenderer.h"

#include "BrowserSession.h"
#include "PageLoad.h"
#include "WebAddress.h"

#include <algorithm>
#include <utility>

// One row's address, and its load once started.
class WebPageRenderer::Load {
public:
    Load(WebPageRenderer& renderer, qint32 row, QString address)
        : renderer_(renderer)
        , row_(row)
        , address_(std::move(address))
        , host_(hostOf(address_)) {}

    qint32 row() const { return row_; }
    const QString& address() const { return address_; }
    // The host the page's latest navigation went to.
    QString host() const { return load_ ? load_->currentHost() : host_; }
    const PageLoad* load() const { return load_.get(); }

    void start() { load_ = renderer_.load(address_); }
    void stop() { load_.reset(); }
    bool isStarted() const { return load_ != nullptr; }
    bool inProgress() const { return load_ && load_->hasPage(); }
    qsizetype resultSize() const { return load_ ? load_->body().size() : 0; }

private:
    WebPageRenderer& renderer_;
    qint32 row_;
    QString address_;
    QString host_;
    std::unique_ptr<PageLoad> load_;
};

WebPageRenderer::WebPageRenderer(std::chrono::milliseconds timeout, int jobs, QObject* parent)
    : QObject(parent)
    , timeout_(timeout)
    , plan_(std::max(0, jobs) + 1, PageLoad::MaxBodyLength) {}

WebPageRenderer::~WebPageRenderer() = default;

void WebPageRenderer::RenderPage(const QString& url) {
    releaseOwnLoad();
    current_ = &plan_.ask(std::make_unique<Load>(*this, plan_.currentRow(), url));
    updateState();
}

PageResult WebPageRenderer::bodyInnerHtml() {
    const PageLoad* const load = current_ ? current_->load() : nullptr;
    if (!load || !load->isComplete())
        return {QString(), PageProblem::NoAnswer, {}};
    return load->result();
}

void WebPageRenderer::stopLoading() {
    releaseOwnLoad();
    plan_.startJobs();
    updateState();
}

void WebPageRenderer::planRows(const QList<PlannedRow>& rows) {
    for (const PlannedRow& row : rows)
        plan_.add(std::make_unique<Load>(*this, row.row, row.address));
    plan_.startJobs();
}

void WebPageRenderer::enterRow(qint32 row) {
    plan_.enterRow(row);
}

void WebPageRenderer::endRun() {
    current_ = nullptr;
    plan_.end();
    if (browser_)
        browser_->dropCookies();
    updateState();
}

int WebPageRenderer::pagesOpen() const {
    return plan_.inProgress();
}

std::unique_ptr<PageLoad> WebPageRenderer::load(const QString& url) {
    if (!browser_)
        browser_ = std::make_unique<BrowserSession>();
    auto started = std::make_unique<PageLoad>(*browser_, url, timeout_, refusedHosts_);
    // The end of any load may free a place for a load ahead.
    connect(started.get(), &PageLoad::completed, this, [this] {
        updateState();
        plan_.startJobs();
    });
    // A page that leaves a host may free a place for a load ahead to it. The
    // page reports its navigation from inside the browser's own call: new
    // loads start once that has returned.
    connect(
        started.get(), &PageLoad::hostChanged, this, [this] { plan_.startJobs(); },
        Qt::QueuedConnection);
    return started;
}

void WebPageRenderer::releaseOwnLoad() {
    if (current_)
        plan_.release(*std::exchange(current_, nullptr));
}

void WebPageRenderer::updateState() {
    const PageLoad* const load = current_ ? current_->load() : nullptr;
    const State state = !load ? Idle : load->isComplete() ? Complete : Loading;
    if (state_ == state)
        return;
    state_ = state;
    readyNotice_.raise();
}
