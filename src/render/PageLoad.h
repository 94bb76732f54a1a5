#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>

class BrowserSession;
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
// client error's page (4xx) is a document like any other; a server error
// (5xx), a network error or a refused navigation fails the load, as does a
// body longer than MaxBodyLength and a load not complete within the
// time-out, which is then stopped.
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
    // now.
    PageLoad(BrowserSession& browser, const QString& url, std::chrono::milliseconds timeout);
    ~PageLoad() override;

    const QString& address() const { return address_; }
    // The host the page's latest main-frame navigation went to: the
    // address's own until a redirect leads elsewhere.
    const QString& currentHost() const { return currentHost_; }
    bool isComplete() const { return complete_; }
    // Whether the load still holds a page, that is, is in progress.
    bool hasPage() const { return page_ != nullptr; }
    // The serialised body of the final document; empty when the load failed.
    const QString& body() const { return body_; }

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
    void lookAtDocument(Mark mark);
    void onDocumentState(Mark mark, const QVariant& state);
    void watchForQuiet(Mark mark, std::chrono::milliseconds period, AfterQuiet then);
    void onQuiet();
    void complete(const QString& body);

    BrowserSession& browser_;
    QString address_;
    QString currentHost_;
    LockedDownPage* page_ = nullptr;
    // The address to load once the page's blank document is there.
    QString pendingUrl_;
    QTimer quietTimer_;
    QTimer deadline_;
    Mark watched_;
    AfterQuiet afterQuiet_ = AfterQuiet::Fail;
    quint64 navigations_ = 0;
    bool complete_ = false;
    QString body_;
};
