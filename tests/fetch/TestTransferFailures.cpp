#include "AnalysisRun.h"
#include "CannedMarket.h"
#include "FakePages.h"
#include "FakeWindow.h"
#include "MarketPages.h"
#include "PageRequest.h"
#include "PageTransfers.h"
#include "PrefetchingPageFetcher.h"
#include "RunCookies.h"
#include "RunTexts.h"
#include "TestMarket.h"

#include <QCoroTask>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>
#include <cstdarg>
#include <curl/curl.h>
#include <dlfcn.h>
#include <new>

using namespace std::chrono_literals;

namespace {

// The libcurl call that fails, or throws, while a test sets it.
enum class Fault { None, GlobalInit, EasyInit, ShareSetopt, MultiAdd, SocketAction, ReadingThrows };
Fault fault = Fault::None;

template <typename Function> Function libcurl(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

Q_DECLARE_METATYPE(Fault)

// The test program's own definitions of these libcurl functions take the
// place of libcurl's for the transfer layer linked into it; each calls
// libcurl's unless its fault is set.
extern "C" {

CURLcode curl_global_init(long flags) {
    if (fault == Fault::GlobalInit)
        return CURLE_FAILED_INIT;
    static const auto call = libcurl<CURLcode (*)(long)>("curl_global_init");
    return call(flags);
}

CURL* curl_easy_init() {
    if (fault == Fault::EasyInit)
        return nullptr;
    static const auto call = libcurl<CURL* (*)()>("curl_easy_init");
    return call();
}

CURLSHcode curl_share_setopt(CURLSH* share, CURLSHoption option, ...) {
    va_list arguments;
    va_start(arguments, option);
    const long value = va_arg(arguments, long);
    va_end(arguments);
    if (fault == Fault::ShareSetopt)
        return CURLSHE_NOMEM;
    static const auto call =
        libcurl<CURLSHcode (*)(CURLSH*, CURLSHoption, ...)>("curl_share_setopt");
    return call(share, option, value);
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* easy) {
    if (fault == Fault::MultiAdd)
        return CURLM_OUT_OF_MEMORY;
    static const auto call = libcurl<CURLMcode (*)(CURLM*, CURL*)>("curl_multi_add_handle");
    return call(multi, easy);
}

CURLMcode curl_multi_socket_action(CURLM* multi, curl_socket_t socket, int events, int* running) {
    if (fault == Fault::SocketAction)
        return CURLM_OUT_OF_MEMORY;
    static const auto call =
        libcurl<CURLMcode (*)(CURLM*, curl_socket_t, int, int*)>("curl_multi_socket_action");
    return call(multi, socket, events, running);
}

CURLcode curl_easy_getinfo(CURL* easy, CURLINFO info, ...) {
    va_list arguments;
    va_start(arguments, info);
    void* const result = va_arg(arguments, void*);
    va_end(arguments);
    if (fault == Fault::ReadingThrows && info == CURLINFO_RESPONSE_CODE)
        throw std::bad_alloc();
    static const auto call = libcurl<CURLcode (*)(CURL*, CURLINFO, ...)>("curl_easy_getinfo");
    return call(easy, info, result);
}

} // extern "C"

// When libcurl refuses a call or the program fails while reading an
// answer, a fetch fails like any other, from the event loop, and a run
// ends as it does for a network failure, or with the problem named.
class TestTransferFailures : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(market_.listen());
        canned::serveAll(market_);
        marketpages::useAsProxy(market_);
    }
    void cleanup() { fault = Fault::None; }

    void failedCall_data() {
        QTest::addColumn<Fault>("failing");
        QTest::addColumn<QString>("message");

        const QString network = runtext::NetworkFailed;
        QTest::newRow("curl_global_init") << Fault::GlobalInit << network;
        QTest::newRow("curl_easy_init") << Fault::EasyInit << network;
        QTest::newRow("curl_share_setopt") << Fault::ShareSetopt << network;
        QTest::newRow("curl_multi_add_handle") << Fault::MultiAdd << network;
        QTest::newRow("curl_multi_socket_action") << Fault::SocketAction << network;
        QTest::newRow("memory runs out reading the answer")
            << Fault::ReadingThrows << runtext::RunFailed + runtext::OutOfMemory;
    }

    void failedCall() {
        QFETCH(Fault, failing);
        QFETCH(QString, message);
        fault = failing;
        PageTransfers transfers;

        PageRequest request(transfers, QStringLiteral("myshop.taobao.com"), 5s);
        request.useCookies(std::make_shared<RunCookies>());
        QSignalSpy finished(&request, &PageRequest::finished);
        request.start();
        QCOMPARE(finished.size(), 0);
        QVERIFY(finished.wait(5000));
        QCOMPARE(request.text(), QString());

        FakeWindow window;
        window.address = QStringLiteral("myshop");
        PrefetchingPageFetcher fetcher(transfers, 5s, 1);
        FakeRenderer renderer;
        QCoro::waitFor(runAnalysis(window, fetcher, renderer));
        QCOMPARE(window.messages, QStringList{runtext::MessageTitle + ": " + message});
        QVERIFY(window.analyzeEnabled && !window.stopEnabled);
    }

private:
    TestMarket market_;
};

QTEST_GUILESS_MAIN(TestTransferFailures)
#include "TestTransferFailures.moc"
