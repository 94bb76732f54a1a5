#pragma once

#include <QString>

// Plain page retrieval: the whole body of the page at `url` as text, or
// empty text on any failure. Blocks the run until the transfer has ended.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    virtual QString FetchPage(const QString& url) = 0;
};

// The embedded browser: loads an address, follows its redirects and scripts,
// and hands back the markup of the page finally shown.
class PageRenderer {
public:
    static constexpr int ReadyStateComplete = 4;

    virtual ~PageRenderer() = default;

    // Starts navigating to `url` and returns at once.
    virtual void RenderPage(const QString& url) = 0;

    // 4 once the final document of the latest RenderPage is complete; a
    // state reached for an earlier address never counts.
    virtual int ReadyState() const = 0;

    // The serialised markup of the loaded document's body; empty when the
    // load failed.
    virtual QString bodyInnerHtml() = 0;

    // Abandons the navigation in progress so that it cannot finish later.
    virtual void stopLoading() = 0;
};
