#include "FakePages.h"

QString FakeFetcher::FetchPage(const QString& url) {
    requests << url;
    if (onFetch)
        onFetch(url);
    return pages.value(url);
}

void FakeRenderer::RenderPage(const QString& url) {
    requests << url;
    current_ = url;
    reads_ = 0;
}

int FakeRenderer::ReadyState() const {
    ++reads_;
    return passesToLoad >= 0 && reads_ >= passesToLoad ? ReadyStateComplete : 1;
}
