#include "CannedMarket.h"
#include "CheckProcess.h"
#include "MarketFaults.h"
#include "RunTexts.h"
#include "TestMarket.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <functional>

using MarketSetup = std::function<void(TestMarket&)>;
Q_DECLARE_METATYPE(MarketSetup)

namespace {

// The calls that show what a process does to the file system and which
// programs it starts.
const QString TracedCalls = QStringLiteral(
    "trace=open,openat,creat,unlink,unlinkat,rename,renameat,renameat2,link,linkat,symlink,"
    "symlinkat,mkdir,mkdirat,execve");

// An open call of strace's output: path, flags and mode. Opening a folder
// with O_TMPFILE makes a file in it that has no name.
const QString OpenCall =
    QStringLiteral("open(?:at)?\\((?:AT_FDCWD, )?\"([^\"]*)\", ([A-Z_|]+), (0[0-7]+)");

// One zembrel-check run under strace, with a temporary folder of its own.
struct TracedRun {
    CheckProcess check;
    QStringList calls;      // one line of strace output each
    QString tempFolder;     // the run's TMPDIR, gone now
    QStringList leftInTemp; // what was left in it when the run ended

    QStringList messageTexts() const {
        QStringList texts;
        for (const QJsonValue& message : check.json()["messages"].toArray())
            texts << message["text"].toString();
        return texts;
    }
};

// The process that strace started: its first child.
qint64 tracedChild(qint64 stracePid) {
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(stracePid));
    if (!children.open(QIODevice::ReadOnly))
        return 0;
    return children.readAll().split(' ').value(0).toLongLong();
}

// `started` gets strace's process id.
TracedRun traceCheck(const TestMarket& market, const QStringList& addresses,
                     const QString& timeout = QStringLiteral("2"),
                     const std::function<void(qint64)>& started = {}) {
    QTemporaryDir temp;
    // Qt would make its runtime folder in the temporary folder without it.
    QTemporaryDir runtime;
    QTemporaryDir traceFolder;
    const QString traceFile = traceFolder.filePath(QStringLiteral("trace.txt"));
    QProcessEnvironment environment = CheckProcess::cleanEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temp.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

    TracedRun run;
    run.tempFolder = temp.path();
    run.check = CheckProcess::run(
        QStringList{"--proxy", market.proxyUrl(), "--timeout", timeout, "--format", "json"} +
            addresses,
        environment, started,
        {QStringLiteral("strace"), QStringLiteral("-f"), QStringLiteral("-qq"),
         QStringLiteral("-o"), traceFile, QStringLiteral("-e"), TracedCalls});
    QFile trace(traceFile);
    if (trace.open(QIODevice::ReadOnly))
        run.calls = QString::fromUtf8(trace.readAll()).split(u'\n', Qt::SkipEmptyParts);
    run.leftInTemp =
        QDir(temp.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return run;
}

QStringList callsMentioning(const QStringList& calls, const QString& text) {
    QStringList found;
    for (const QString& call : calls) {
        if (call.contains(text))
            found << call;
    }
    return found;
}

// A shop page of layout A whose member name is `member`.
QString shopPageWithMember(const QString& member) {
    return canned::shopPageA().replace(QStringLiteral("卖家甲"), member);
}

} // namespace

// zembrel-check under strace: what a run does to the file system, and that
// what pages hold never decides which files are opened or programs started.
class TestTracedCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
            QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    }

    // The friend-link list passes through one file in the temporary folder:
    // created exclusively (or unnamed), readable by its owner only, and gone
    // when the run ends, however it ends.
    void linkListFile_data() {
        QTest::addColumn<MarketSetup>("setup");
        QTest::addColumn<bool>("interrupt"); // two Ctrl+C while shop A is fetched
        QTest::addColumn<int>("exitCode");

        const auto withShopA = [](MarketFault fault) {
            return MarketSetup([fault](TestMarket& m) {
                canned::serveAll(m);
                MarketPage page;
                page = withFault(page, fault);
                m.setPage(QStringLiteral("shopa.taobao.com"), QStringLiteral("/"), page);
            });
        };
        QTest::newRow("complete run") << MarketSetup(canned::serveAll) << false << 0;
        QTest::newRow("run ended by a network failure")
            << withShopA(MarketFault::CloseWithoutAnswer) << false << 0;
        QTest::newRow("program ended by a second interrupt")
            << withShopA(MarketFault::NeverAnswer) << true << 130;
    }

    void linkListFile() {
        QFETCH(MarketSetup, setup);
        QFETCH(bool, interrupt);
        QFETCH(int, exitCode);

        TestMarket market;
        QVERIFY(market.listen());
        setup(market);
        qint64 stracePid = 0;
        if (interrupt) {
            connect(&market, &TestMarket::requested, this, [&stracePid](const QString& entry) {
                if (!entry.contains(QStringLiteral("shopa")))
                    return;
                const auto pid = pid_t(tracedChild(stracePid));
                ::kill(pid, SIGINT);
                QTimer::singleShot(200, [pid] { ::kill(pid, SIGINT); });
            });
        }
        const TracedRun run = traceCheck(market, {"myshop"}, QStringLiteral("20"),
                                         [&stracePid](qint64 pid) { stracePid = pid; });

        QCOMPARE(run.check.crashed, false);
        QCOMPARE(run.check.exitCode, exitCode);
        QVERIFY(market.requestLog().contains("GET http://shopa.taobao.com/"));

        const QRegularExpression creation(OpenCall);
        QStringList created;
        for (const QString& call : callsMentioning(run.calls, run.tempFolder)) {
            const QRegularExpressionMatch match = creation.match(call);
            if (match.hasMatch() && (match.captured(2).contains(QStringLiteral("O_CREAT")) ||
                                     match.captured(2).contains(QStringLiteral("O_TMPFILE"))))
                created << call;
        }
        QCOMPARE(created.size(), 1);
        const QRegularExpressionMatch file = creation.match(created.first());
        const QString path = file.captured(1);
        const QString flags = file.captured(2);
        QCOMPARE(file.captured(3), QStringLiteral("0600"));
        if (flags.contains(QStringLiteral("O_TMPFILE"))) {
            QCOMPARE(path, run.tempFolder);
        } else {
            QVERIFY2(flags.contains(QStringLiteral("O_EXCL")), qPrintable(created.first()));
            QVERIFY(path.startsWith(run.tempFolder + u'/'));
            bool removed = false;
            for (const QString& call : callsMentioning(run.calls, u'"' + path + u'"'))
                removed = removed || call.contains(QStringLiteral("unlink"));
            QVERIFY2(removed, qPrintable(path));
        }
        // A file without a name never gets one.
        for (const QString& call : callsMentioning(run.calls, run.tempFolder))
            QVERIFY2(!call.contains(QStringLiteral("link(")) &&
                         !call.contains(QStringLiteral("linkat(")),
                     qPrintable(call));
        QCOMPARE(run.leftInTemp, QStringList());
    }

    // A friend link to anything but a web page is a failed fetch: nothing is
    // asked of the network and nothing is read from disk.
    void nonWebAddresses_data() {
        QTest::addColumn<QString>("address"); // %1: the path of a readable shop page

        QTest::newRow("file address") << "file://%1";
        QTest::newRow("file address with one slash") << "file:%1";
        QTest::newRow("file address on localhost") << "file://localhost%1";
        QTest::newRow("file address in capitals") << "FILE://%1";
        QTest::newRow("script address") << "javascript:alert(document.cookie)";
        QTest::newRow("script scheme alone") << "javascript:";
        QTest::newRow("data address")
            << "data:text/html;base64," +
                   QString::fromLatin1(canned::gbk(shopPageWithMember("秘密掌柜")).toBase64());
        QTest::newRow("ftp address") << "ftp://shopa.taobao.com/";
    }

    void nonWebAddresses() {
        QFETCH(QString, address);

        QTemporaryDir folder;
        const QString secretPath = folder.filePath(QStringLiteral("zembrel-secret.html"));
        QFile secret(secretPath);
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write(canned::gbk(shopPageWithMember(QStringLiteral("秘密掌柜"))));
        secret.close();
        if (address.contains(QStringLiteral("%1")))
            address = address.arg(secretPath);

        TestMarket market;
        QVERIFY(market.listen());
        canned::serveAll(market);
        market.setPage(canned::OwnHost, QStringLiteral("/"),
                       canned::gbkPage(canned::ownPage().replace(
                           QStringLiteral("http://shopa.taobao.com/"), address)));
        // One page at a time, so that no later row is fetched ahead.
        const TracedRun run = traceCheck(market, {"--jobs", "1", "myshop"});

        // The row's own mark, and the run goes on: the next rows are checked.
        QCOMPARE(run.check.exitCode, 0);
        QCOMPARE(run.check.rowTexts(1).at(2), address);
        QCOMPARE(run.messageTexts(), QStringList());
        QVERIFY(run.check.json()["grid"][u"foreColor"].isNull());
        QCOMPARE(run.check.rowTexts(1).mid(3),
                 (QStringList{runtext::InvalidAddress, "", "", "", "", ""}));
        QCOMPARE(run.check.cell(1, 3)[u"note"].toString(), QStringLiteral("不是网页地址"));
        QCOMPARE(run.check.rowTexts(2), canned::expectedRow(2));
        QCOMPARE(market.requestLog().filter(QStringLiteral("shopa")), QStringList());
        QCOMPARE(callsMentioning(run.calls, QStringLiteral("zembrel-secret")), QStringList());
    }

    // Page text full of format directives, shell syntax and path parts is
    // shown as it is, and no file or program is named after it.
    void pageTextStaysText() {
        const QString hostile =
            QStringLiteral("%s%n%x%1%2%L1{}{0}%% $(touch pwned) `touch pwned`;rm -rf pwned|cat&&"
                           "../../pwned\\..\\pwned /tmp/pwned 'q\"");
        TestMarket market;
        QVERIFY(market.listen());
        canned::serveAll(market);
        market.setPage(canned::OwnHost, QStringLiteral("/"),
                       canned::gbkPage(canned::ownPage().replace(QStringLiteral("甲店"), hostile)));
        market.setPage(QStringLiteral("shopa.taobao.com"), QStringLiteral("/"),
                       canned::gbkPage(shopPageWithMember(hostile)));
        const TracedRun run = traceCheck(market, {"myshop"});

        QCOMPARE(run.check.exitCode, 0);
        QStringList row1 = canned::expectedRow(1);
        row1[1] = hostile;
        row1[4] = hostile;
        QCOMPARE(run.check.rowTexts(1), row1);
        QCOMPARE(run.check.rowTexts(3), canned::expectedRow(3));
        QCOMPARE(callsMentioning(run.calls, QStringLiteral("pwned")), QStringList());
        QCOMPARE(callsMentioning(run.calls, QStringLiteral("execve(")).size(), 1); // itself
        QVERIFY(!QFile::exists(QStringLiteral("pwned")));
    }
};

QTEST_GUILESS_MAIN(TestTracedCheck)
#include "TestTracedCheck.moc"
