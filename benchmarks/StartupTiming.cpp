// Start-up of the window program, set up as src/app/main.cpp sets it up:
// the time from the launch of this process (BENCH_LAUNCH_NS, wall-clock
// nanoseconds taken by the caller just before starting it) to the window's
// first paint, and to the first row's result of a run with no redirect
// rows against an in-process marketplace that answers at once. At both
// moments it counts the browser's helper processes: none may have started.
//
// Prints "shown_ms=… first_result_ms=… browser_processes=…".

#include "BrowserEnvironment.h"
#include "Form1.h"
#include "MarketServer.h"
#include "MixedMarket.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "ProxySetup.h"
#include "ResultGrid.h"
#include "WebPageRenderer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

QCoro::Task<> answeredAtOnce() {
    co_return;
}

double msSinceLaunch() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const double nowNs = double(now.tv_sec) * 1e9 + double(now.tv_nsec);
    return (nowNs - qEnvironmentVariable("BENCH_LAUNCH_NS").toDouble()) / 1e6;
}

// Processes of the browser engine started by this process.
int browserProcesses() {
    int count = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QByteArray name =
            text.mid(text.indexOf('(') + 1, text.lastIndexOf(')') - text.indexOf('(') - 1);
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == getpid() &&
            name.startsWith("QtWebEngine"))
            ++count;
    }
    return count;
}

class FirstPaint : public QObject {
public:
    explicit FirstPaint(std::function<void()> then)
        : then_(std::move(then)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && then_) {
            // After this paint has been handled.
            QTimer::singleShot(0, watched, std::exchange(then_, nullptr));
        }
        return false;
    }

private:
    std::function<void()> then_;
};

} // namespace

int main(int argc, char* argv[]) {
    prepareBrowserEnvironment();
    QApplication app(argc, argv);

    MarketServer market;
    mixedmarket::Options options;
    options.rows = 10;
    if (!market.listen())
        return 1;
    mixedmarket::serve(market, options);
    applyProxy(market.proxyUrl());

    PageTransfers transfers;
    PrefetchingPageFetcher fetcher(transfers);
    WebPageRenderer renderer;
    Form1 window(fetcher, renderer);
    window.setMessagePresenter([](const QString&, const QString&) { return answeredAtOnce(); });

    double shownMs = 0;
    double firstResultMs = 0;
    int browsersWhenShown = 0;
    int browsersAtFirstResult = 0;
    QObject::connect(&window.grid(), &ResultGrid::dataChanged, [&](const QModelIndex& index) {
        if (firstResultMs == 0 && index.row() == 1 && index.column() == 8) {
            firstResultMs = msSinceLaunch();
            browsersAtFirstResult = browserProcesses();
        }
    });
    // The window refuses to close during a run, and so the application to
    // quit: the figures are printed once the run has ended.
    auto* analyze = window.findChild<QPushButton*>(QStringLiteral("Command1"));
    QTimer runEnded;
    QObject::connect(&runEnded, &QTimer::timeout, [&] {
        if (firstResultMs == 0 || !analyze->isEnabled())
            return;
        std::printf("shown_ms=%.1f first_result_ms=%.1f browser_processes=%d/%d\n", shownMs,
                    firstResultMs, browsersWhenShown, browsersAtFirstResult);
        app.quit();
    });
    FirstPaint firstPaint([&] {
        shownMs = msSinceLaunch();
        browsersWhenShown = browserProcesses();
        window.setAddressText(mixedmarket::OwnAddress);
        analyze->click();
        runEnded.start(10);
    });
    window.installEventFilter(&firstPaint);
    window.show();
    return app.exec();
}
