#pragma once

#include "PageServices.h"
#include "RunNotice.h"

#include <QObject>
#include <QTimer>
#include <QUrl>
#include <chrono>

class LockedDownPage;
class QWebEngineLoadingInfo;
class QWebEngineProfile;

// The embedded browser behind PageRenderer: locked-down pages that are never
// shown. The browser starts with the first RenderPage, so that runs without
// redirect links never start the browser engine, and takes the application
// proxy as it is then.
//
// Every RenderPage gets a page of its own, and the previous page is thrown
// away with all it was still doing. A new page first shows a blank document,
// so that the address comes second in its history: the browser then refuses
// a script's window.close().
//
// A load counts as complete only when its final document is: after a
// successful load the page is watched for a pending meta refresh or a
// script redirect, and the body is serialised once no new main-frame
// navigation began for SettlePeriod. A navigation that never replaces the
// document (a download, a 204 answer) leaves it the final one. A load that
// is not complete within the time-out is stopped and counts as failed.
class WebPageRenderer : public QObject, public PageRenderer {
    Q_OBJECT

public:
    // How long a loaded document must stay without a new navigation before
    // it counts as final. Script redirects begin theirs right after the load.
    static constexpr std::chrono::milliseconds SettlePeriod{50};
    // A meta refresh due later than this reloads the page rather than
    // redirecting it, and is not waited for.
    static constexpr std::chrono::seconds LongestRefreshWait{10};

    // `timeout` counts from each RenderPage.
    explicit WebPageRenderer(std::chrono::milliseconds timeout = std::chrono::seconds(60),
                             QObject* parent = nullptr);
    ~WebPageRenderer() override;

    void RenderPage(const QString& url) override;
    int ReadyState() const override { return state_; }
    QString bodyInnerHtml() override { return body_; }
    void stopLoading() override;
    // Raised on every change of ReadyState().
    RunNotice& readyNotice() override { return readyNotice_; }

private:
    enum State { Idle = 0, Loading = 1, Complete = ReadyStateComplete };

    // Identifies the document being watched: a check begun for one mark
    // counts only while no RenderPage, stop or new navigation came since.
    struct Mark {
        quint64 generation = 0;
        quint64 navigations = 0;
    };

    void startBrowser();
    void openPage();
    void retirePage();
    Mark currentMark() const { return {generation_, navigations_}; }
    bool isCurrent(Mark mark) const;
    void onMainFrameNavigation();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onDocumentLoaded(Mark mark);
    bool isLoadedDocument(const QUrl& url) const;
    void watchForQuiet(Mark mark, std::chrono::milliseconds period, bool loaded);
    void onQuiet();
    void onDeadline();
    void complete(const QString& body);
    void setState(State state);

    QWebEngineProfile* profile_ = nullptr;
    LockedDownPage* page_ = nullptr;
    QString serializeBodyScript_;
    QString pendingRefreshScript_;
    // The address to load once the page's blank document is there.
    QString pendingUrl_;
    // The address of the last document that loaded successfully; the page
    // shows it as long as its address stays (fragments aside).
    QUrl loadedUrl_;
    QTimer quietTimer_;
    QTimer deadline_;
    Mark watched_;
    bool watchedLoaded_ = false;
    quint64 generation_ = 0;
    quint64 navigations_ = 0;
    State state_ = Idle;
    QString body_;
    RunNotice readyNotice_;
};
