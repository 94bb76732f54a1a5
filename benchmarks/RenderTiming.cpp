// Timings of the embedded browser against the test marketplace:
//  - the gap between an interstitial's successful load and the navigation
//    its redirect starts (what the renderer's settle period must cover);
//  - the time from RenderPage to the body for each redirect style;
//  - the CPU used by this process and its browser processes while an
//    analysis run awaits, for 5 s, a redirect row whose load never
//    completes, until Stop is pressed.
// With --wait-only it measures only the CPU of the wait.

#include "AnalysisRun.h"
#include "BrowserEnvironment.h"
#include "HeadlessWindow.h"
#include "LockedDownPage.h"
#include "MarketFaults.h"
#include "PageLoad.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "TestMarket.h"
#include "WebPageRenderer.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHash>
#include <QNetworkProxy>
#include <QTimer>
#include <QWebEngineProfile>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

constexpr int Repetitions = 10;
const QByteArray Shop = "http://shop.taobao.com/";

struct RedirectStyle {
    const char* name;
    MarketPage page;
};

MarketPage html(const QByteArray& body) {
    MarketPage page;
    page.body = body;
    page.charset = "utf-8";
    return page;
}

QList<RedirectStyle> redirectStyles() {
    MarketPage found;
    found.status = 302;
    found.headers = {{"Location", Shop}};
    return {
        {"HTTP 302", found},
        {"meta refresh 0 s", html("<meta http-equiv=\"refresh\" content=\"0;url=" + Shop + "\">")},
        {"inline location.replace", html("<script>location.replace('" + Shop + "')</script>")},
        {"setTimeout 0 script", html("<p>x</p><script>setTimeout(function () { location.href = '" +
                                     Shop + "'; }, 0)</script>")},
    };
}

QString pathOf(int style) {
    return QStringLiteral("/style%1").arg(style);
}

QString addressOf(int style) {
    return QStringLiteral("http://s.click.taobao.com") + pathOf(style);
}

// CPU ticks (user + system) used so far by this process and every process
// descended from it, by process id.
QHash<qint64, qint64> cpuTicksOfProcessTree() {
    QHash<qint64, qint64> parentOf;
    QHash<qint64, qint64> ticksOf;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = file.readAll();
        // Fields after the command name, which is in parentheses.
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            continue;
        parentOf[pid] = fields[1].toLongLong();
        ticksOf[pid] = fields[11].toLongLong() + fields[12].toLongLong();
    }
    QHash<qint64, qint64> tree;
    for (auto it = ticksOf.cbegin(); it != ticksOf.cend(); ++it) {
        for (qint64 p = it.key(); p > 1; p = parentOf.value(p, 0)) {
            if (p == getpid()) {
                tree.insert(it.key(), it.value());
                break;
            }
        }
    }
    return tree;
}

// CPU seconds the process tree used between two snapshots; processes that
// ended meanwhile are not counted.
double cpuSecondsBetween(const QHash<qint64, qint64>& before, const QHash<qint64, qint64>& after) {
    qint64 ticks = 0;
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        ticks += it.value() - before.value(it.key(), 0);
    return double(ticks) / double(sysconf(_SC_CLK_TCK));
}

void printSpread(const char* what, QList<qint64> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("  %-28s min %4lld  median %4lld  max %4lld ms\n", what, ms.first(),
                ms[ms.size() / 2], ms.last());
}

// Load finished (interstitial) to the next main-frame navigation.
void measureRedirectGaps(const QList<RedirectStyle>& styles) {
    std::printf("Interstitial loaded -> redirect navigation begins\n");
    QWebEngineProfile* profile = createLockedDownProfile(nullptr);
    auto* page = new LockedDownPage(profile, nullptr);
    QElapsedTimer clock;
    qint64 firstLoad = -1;
    qint64 lastNavigation = -1;
    QObject::connect(page, &QWebEnginePage::loadFinished, [&](bool) {
        if (firstLoad < 0)
            firstLoad = clock.elapsed();
    });
    QObject::connect(page, &LockedDownPage::mainFrameNavigation,
                     [&] { lastNavigation = clock.elapsed(); });
    for (int style = 1; style < styles.size(); ++style) {
        QList<qint64> gaps;
        for (int i = 0; i < Repetitions; ++i) {
            firstLoad = lastNavigation = -1;
            clock.start();
            page->load(QUrl(addressOf(style)));
            while (!clock.hasExpired(1000))
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
            if (lastNavigation > firstLoad)
                gaps << lastNavigation - firstLoad;
        }
        if (gaps.isEmpty())
            std::printf("  %-28s redirect begins before the interstitial finishes\n",
                        styles[style].name);
        else
            printSpread(styles[style].name, gaps);
    }
    delete page;
    delete profile;
}

// Waits for the renderer's page without spinning; false after `limitMs`.
bool loaded(WebPageRenderer& renderer, int limitMs) {
    QEventLoop loop;
    QObject::connect(&renderer.readyNotice(), &RunNotice::raised, &loop, &QEventLoop::quit);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    if (renderer.ReadyState() != PageRenderer::ReadyStateComplete)
        loop.exec();
    return renderer.ReadyState() == PageRenderer::ReadyStateComplete;
}

void measureRenderTimes(WebPageRenderer& renderer, const QList<RedirectStyle>& styles) {
    std::printf("RenderPage -> body (settle period %lld ms)\n",
                qint64(PageLoad::SettlePeriod.count()));
    for (int style = 0; style < styles.size(); ++style) {
        QList<qint64> times;
        for (int i = 0; i < Repetitions; ++i) {
            QElapsedTimer clock;
            clock.start();
            renderer.RenderPage(addressOf(style));
            if (!loaded(renderer, 10000) || renderer.bodyInnerHtml().text.isEmpty())
                std::printf("  %s: no body\n", styles[style].name);
            times << clock.elapsed();
        }
        printSpread(styles[style].name, times);
    }
}

// A whole analysis run whose only friend link is a redirect row that never
// loads: measured for 5 s from a second after the start (the browser's own
// start-up is not the wait), then Stop is pressed.
void measureRunWait(WebPageRenderer& renderer) {
    PageTransfers transfers;
    PrefetchingPageFetcher fetcher(transfers);
    HeadlessWindow window;
    window.setAddressText(QStringLiteral("myshop"));
    QHash<qint64, qint64> before;
    QElapsedTimer clock;
    QTimer::singleShot(1000, &window, [&] {
        before = cpuTicksOfProcessTree();
        clock.start();
    });
    QTimer::singleShot(6000, &window, [&] { window.pressStop(); });
    QCoro::waitFor(runAnalysis(window, fetcher, renderer));
    const double cpu = cpuSecondsBetween(before, cpuTicksOfProcessTree());
    std::printf("  %-28s %.2f CPU s in %.2f s (%.0f %% of one core)\n", "Run awaits the browser",
                cpu, clock.elapsed() / 1000.0, 100.0 * cpu / (clock.elapsed() / 1000.0));
}

} // namespace

int main(int argc, char** argv) {
    prepareBrowserEnvironment();
    QGuiApplication app(argc, argv);
    TestMarket server;
    if (!server.listen())
        return 1;
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), server.port()));
    const QList<RedirectStyle> styles = redirectStyles();
    for (int style = 0; style < styles.size(); ++style)
        server.setPage("s.click.taobao.com", pathOf(style), styles[style].page);
    server.setPage("shop.taobao.com", "/", html("<p>shop</p>"));
    MarketPage never;
    never = withFault(never, MarketFault::NeverAnswer);
    server.setPage("s.click.taobao.com", "/never", never);
    server.setPage("myshop.taobao.com", "/",
                   html("<title>首页-我的小店 - 淘宝网</title><h3>友情链接</h3><ul>\n"
                        "<a href=\"http://s.click.taobao.com/never\" target=\"_blank\">跳转</a>\n"
                        "</ul>"));

    const bool waitOnly = app.arguments().contains(QStringLiteral("--wait-only"));
    if (!waitOnly)
        measureRedirectGaps(styles);
    WebPageRenderer renderer;
    if (!waitOnly)
        measureRenderTimes(renderer, styles);
    std::printf("Waiting 5 s for a load that never completes\n");
    measureRunWait(renderer);
    return 0;
}
