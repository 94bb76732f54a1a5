#include "FakePages.h"

QCoro::Task<QString> FakeFetcher::FetchPage(QString url) {
    requests << url;
    if (onFetch)
        onFetch(url);
    co_return pages.value(url);
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
