#pragma once

#include "PageServices.h"
#include "RunNotice.h"

#include <QObject>
#include <QTimer>
#include <chrono>

class LockedDownPage;
class QWebEngineProfile;

// The embedded browser behind PageRenderer: a locked-down page that is never
// shown, created on the first RenderPage so that runs without redirect links
// never start the browser engine. The browser takes the application proxy
// as it is when that page is created.
//
// A load counts as complete only when its final document is: after a
// successful load the page is watched for a pending meta refresh or a
// script redirect, and the body is serialised once no new main-frame
// navigation began for SettlePeriod.
class WebPageRenderer : public QObject, public PageRenderer {
    Q_OBJECT

public:
    // How long a loaded document must stay without a new navigation before
    // it counts as final. Script redirects begin theirs right after the load.
    static constexpr std::chrono::milliseconds SettlePeriod{50};
    // A meta refresh due later than this reloads the page rather than
    // redirecting it, and is not waited for.
    static constexpr std::chrono::seconds LongestRefreshWait{10};

    explicit WebPageRenderer(QObject* parent = nullptr);
    ~WebPageRenderer() override;

    void RenderPage(const QString& url) override;
    int ReadyState() const override { return state_; }
    QString bodyInnerHtml() override { return body_; }
    void stopLoading() override;
    RunNotice& readyNotice() override { return readyNotice_; }

private:
    enum State { Idle = 0, Loading = 1, Complete = ReadyStateComplete };

    // Identifies the document being watched: a check begun for one mark
    // counts only while no RenderPage, stop or new navigation came since.
    struct Mark {
        quint64 generation = 0;
        quint64 navigations = 0;
    };

    void createPage();
    Mark currentMark() const { return {generation_, navigations_}; }
    bool isCurrent(Mark mark) const;
    void onMainFrameNavigation();
    void onLoadFinished(bool ok);
    void watchForQuiet(Mark mark, std::chrono::milliseconds period, bool loaded);
    void onQuiet();
    void complete(const QString& body);

    QWebEngineProfile* profile_ = nullptr;
    LockedDownPage* page_ = nullptr;
    QString serializeBodyScript_;
    QString pendingRefreshScript_;
    QTimer quietTimer_;
    Mark watched_;
    bool watchedLoaded_ = false;
    quint64 generation_ = 0;
    quint64 navigations_ = 0;
    quint64 navigationsAtRender_ = 0;
    State state_ = Idle;
    QString body_;
    RunNotice readyNotice_;
};
