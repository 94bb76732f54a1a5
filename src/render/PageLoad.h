#pragma once

#include "PageServices.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>

class BrowserSession;
class RefusedHosts;
class LockedDownPage;
class QWebEngineLoadingInfo;

// One address loaded in a locked-down page of its own, from construction
// until its final document is complete. The page first shows a blank
// document, so that the address comes second in its history: the browser
// then refuses a script's window.close(), which would stop the document
// where it stands.
//
// A load counts as complete only when its final document is: whenever a
// navigation of the page ends, the document it shows is looked at, and once
// that document has finished loading (a meta refresh it has pending waited
// for) and no new main-frame navigation began for SettlePeriod, its body is
// serialised. A navigation that ends without a document of its own (a
// download, an attachment, a 204 answer) leaves the document shown as the
// final one, whether it ended before or after that document completed. A
// client error's page (4xx but 401, 403 and 429) is a document like any
// other; a server error
// (5xx), a network error or a refused navigation fails the load, as does a
// body longer than MaxBodyLength and a load not complete within the
// time-out, which is then stopped. A failed load says why, as the plain
// fetcher does: a certificate that does not verify, a navigation to this
// machine or its network (by literal, or by a name whose addresses the
// forwarding proxy refused) or to no web address belong to the address;
// anything else is no answer.
//
// Once complete, the load keeps only the serialised body and its page goes
// at once; deleting the load abandons whatever its page was still doing.
class PageLoad : public QObject {
    Q_OBJECT

public:
    // How long a loaded document must stay without a new navigation before
    // it counts as final. Script redirects begin theirs right after the load.
    static constexpr std::chrono::milliseconds SettlePeriod{50};
    // A meta refresh due later than this reloads the page rather than
    // redirecting it, and is not waited for.
    static constexpr std::chrono::seconds LongestRefreshWait{10};
    // The longest body kept, in characters: as much as the largest page the
    // plain fetcher reads.
    static constexpr qsizetype MaxBodyLength = 32 * 1024 * 1024;

    // Starts loading `url` in a new page of `browser`; `timeout` counts from
    // now. `refusedHosts`, when given, names the hosts whose addresses the
    // browser's connections were refused.
    PageLoad(BrowserSession& browser, const QString& url, std::chrono::milliseconds timeout,
             const RefusedHosts* refusedHosts = nullptr);
    ~PageLoad() override;

    const QString& address() const { return address_; }
    // The host the page's latest main-frame navigation went to: the
    // address's own until a redirect leads elsewhere.
    const QString& currentHost() const { return currentHost_; }
    bool isComplete() const { return complete_; }
    // Whether the load still holds a page, that is, is in progress.
    bool hasPage() const { return page_ != nullptr; }
    // The serialised body of the final document, or why the load failed.
    const PageResult& result() const { return result_; }
    const QString& body() const { return result_.text; }

signals:
    void completed();
    // A navigation went to another host than the last one.
    void hostChanged();

private:
    // Identifies the document being watched: a check begun for one mark
    // counts only while no new navigation came since.
    struct Mark {
        quint64 navigations = 0;
    };
    // What the end of a quiet period leads to.
    enum class AfterQuiet { Fail, LookAgain, Serialise };

    void retirePage();
    Mark currentMark() const { return {navigations_}; }
    bool isCurrent(Mark mark) const;
    void onMainFrameNavigation(const QUrl& url);
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void noteFailure(const QWebEngineLoadingInfo& info);
    void lookAtDocument(Mark mark);
    void onDocumentState(Mark mark, const QVariant& state);
    void watchForQuiet(Mark mark, std::chrono::milliseconds period, AfterQuiet then);
    void onQuiet();
    void complete(PageResult result);
    void fail() { complete(failure_); }

    BrowserSession& browser_;
    const RefusedHosts* refusedHosts_;
    QString address_;
    QString currentHost_;
    LockedDownPage* page_ = nullptr;
    // The address to load once the page's blank document is there.
    QUrl pendingUrl_;
    QTimer quietTimer_;
    QTimer deadline_;
    Mark watched_;
    AfterQuiet afterQuiet_ = AfterQuiet::Fail;
    quint64 navigations_ = 0;
    bool complete_ = false;
    // Why the load fails, should it: no answer, unless the page said more.
    PageResult failure_{QString(), PageProblem::NoAnswer, {}};
    PageResult result_;
};
