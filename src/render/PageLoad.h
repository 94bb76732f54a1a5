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
// then refuses a script's window.close().
//
// A load counts as complete only when its final document is: after a
// successful load the page is watched for a pending meta refresh or a
// script redirect, and the body is serialised once no new main-frame
// navigation began for SettlePeriod. A navigation that never replaces the
// document (a download, a 204 answer) leaves it the final one. A load that
// is not complete within the time-out is stopped and counts as failed.
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

    // Starts loading `url` in a new page of `browser`; `timeout` counts from
    // now.
    PageLoad(BrowserSession& browser, const QString& url, std::chrono::milliseconds timeout);
    ~PageLoad() override;

    const QString& address() const { return address_; }
    bool isComplete() const { return complete_; }
    // Whether the load still holds a page, that is, is in progress.
    bool hasPage() const { return page_ != nullptr; }
    // The serialised body of the final document; empty when the load failed.
    const QString& body() const { return body_; }

signals:
    void completed();

private:
    // Identifies the document being watched: a check begun for one mark
    // counts only while no new navigation came since.
    struct Mark {
        quint64 navigations = 0;
    };

    void retirePage();
    Mark currentMark() const { return {navigations_}; }
    bool isCurrent(Mark mark) const;
    void onMainFrameNavigation();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onDocumentLoaded(Mark mark);
    bool isLoadedDocument(const QUrl& url) const;
    void watchForQuiet(Mark mark, std::chrono::milliseconds period, bool loaded);
    void onQuiet();
    void complete(const QString& body);

    BrowserSession& browser_;
    QString address_;
    LockedDownPage* page_ = nullptr;
    // The address to load once the page's blank document is there.
    QString pendingUrl_;
    // The address of the last document that loaded successfully; the page
    // shows it as long as its address stays (fragments aside).
    QUrl loadedUrl_;
    QTimer quietTimer_;
    QTimer deadline_;
    Mark watched_;
    bool watchedLoaded_ = false;
    quint64 navigations_ = 0;
    bool complete_ = false;
    QString body_;
};
