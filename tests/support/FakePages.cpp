#include "FakePages.h"

namespace {

PageResult cannedPage(const QHash<QString, QString>& pages,
                      const QHash<QString, PageProblem>& failures, const QString& address) {
    const QString text = pages.value(address);
    return {text,
            text.isEmpty() ? failures.value(address, PageProblem::NoAnswer) : PageProblem::None,
            {}};
}

} // namespace

QCoro::Task<PageResult> FakeFetcher::FetchPage(QString url) {
    requests << url;
    if (onFetch)
        onFetch(url);
    co_return cannedPage(pages, failures, url);
}

PageResult FakeRenderer::bodyInnerHtml() {
    return cannedPage(bodies, failures, current_);
}

void FakeRenderer::RenderPage(const QString& url) {
    requests << url;
    current_ = url;
    complete_ = !holdLoads;
}

void FakeRenderer::finishLoad() {
    complete_ = true;
    ready_.raise();
}
