#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// What cron gives a job: no terminal, no display, no session, only PATH
// (and the sanitizers' settings of a sanitizer build, which cron lacks).
QProcessEnvironment cronEnvironment() {
    const QProcessEnvironment ours = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment bare;
    bare.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (ours.contains(QLatin1String(name)))
            bare.insert(QLatin1String(name), ours.value(QLatin1String(name)));
    }
    return bare;
}

struct BareRun {
    int status = -1;
    QByteArray err;
};

// zembrel-check in cron's environment in `folder`, standard output into
// `output` there. With `terminalErr`, standard error is a terminal.
BareRun runBare(const QStringList& arguments, const QString& folder, const QString& output,
                bool terminalErr = false) {
    QProcess process;
    process.setProcessEnvironment(cronEnvironment());
    process.setWorkingDirectory(folder);
    process.setStandardOutputFile(folder + u'/' + output);
    process.setStandardInputFile(QProcess::nullDevice());
    BareRun run;
    int terminal = -1;
    int terminalSide = -1;
    std::unique_ptr<QSocketNotifier> reader;
    bool hungUp = false; // every writer of the terminal has closed it
    if (terminalErr) {
        terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (terminal < 0 || ::grantpt(terminal) != 0 || ::unlockpt(terminal) != 0)
            return run;
        terminalSide = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::fcntl(terminal, F_SETFL, O_NONBLOCK);
        reader = std::make_unique<QSocketNotifier>(terminal, QSocketNotifier::Read);
        QObject::connect(reader.get(), &QSocketNotifier::activated, [&] {
            char bytes[4096];
            ssize_t got = 0;
            while ((got = ::read(terminal, bytes, sizeof bytes)) > 0)
                run.err.append(bytes, got);
            if (got < 0 && errno == EIO) {
                hungUp = true;
                reader->setEnabled(false);
            }
        });
        process.setChildProcessModifier([terminalSide] { ::dup2(terminalSide, STDERR_FILENO); });
    }
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(ZEMBREL_CHECK_PATH), arguments);
    if (terminalSide >= 0)
        ::close(terminalSide);
    if (!finished.wait(60'000))
        process.kill();
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (terminalErr) {
        // A process still holding the terminal outlived the program.
        if (!QTest::qWaitFor([&] { return hungUp; }, 10'000))
            run.status = -1;
        reader.reset();
        ::close(terminal);
    } else {
        run.err = process.readAllStandardError();
    }
    return run;
}

} // namespace

// `zembrel-check --demo`, as a newcomer runs it: the whole demo grid, and
// not one connection to anything but the built-in marketplace server.
class TestDemoCheck : public QObject {
    Q_OBJECT

private slots:
    void jsonIsTheDemoGrid();
    void talksOnlyToTheBuiltInServer();
    void dailyCheckFromCronIsSilent();
    void sandboxNoteOnlyOnTerminal();

private:
    // Runs the command and returns its standard output.
    static QByteArray run(const QString& program, const QStringList& arguments);
};

QByteArray TestDemoCheck::run(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // LeakSanitizer cannot stop the world under a tracer such as strace.
    if (program == QLatin1String("strace"))
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":detect_leaks=0"));
    // The checks' history goes to a folder of the test's own.
    const QTemporaryDir data;
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    // A proxy of the caller's must not matter in demo mode.
    environment.insert(QStringLiteral("http_proxy"), QStringLiteral("http://192.0.2.1:3128"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning().noquote() << process.readAllStandardError();
        return {};
    }
    return process.readAllStandardOutput();
}

void TestDemoCheck::jsonIsTheDemoGrid() {
    const QByteArray out =
        run(QStringLiteral(ZEMBREL_CHECK_PATH), {QStringLiteral("--demo"), "--format", "json"});
    QFile expectedFile(QStringLiteral(":/demo-test/expected-grid.json"));
    QVERIFY(expectedFile.open(QIODevice::ReadOnly));
    const QJsonDocument expected = QJsonDocument::fromJson(expectedFile.readAll());
    const QJsonDocument actual = QJsonDocument::fromJson(out);
    QVERIFY2(!actual.isNull(), out.constData());
    QCOMPARE(actual, expected);
}

// Every TCP connection of the process tree goes to the built-in server, and
// no datagram leaves for any other address. A UDP connect() alone sends
// nothing: the browser uses one to ask the kernel for a route when it probes
// whether IPv6 is reachable.
void TestDemoCheck::talksOnlyToTheBuiltInServer() {
    QTemporaryDir folder;
    const QString trace = folder.filePath(QStringLiteral("trace"));
    const QByteArray out =
        run(QStringLiteral("strace"),
            {"-f", "-yy", "-e", "trace=connect,sendto,sendmsg,sendmmsg", "-o", trace,
             QStringLiteral(ZEMBREL_CHECK_PATH), "--demo", "--format", "json"});
    QVERIFY2(out.contains("\"grid\""), out.constData());

    QFile file(trace);
    QVERIFY(file.open(QIODevice::ReadOnly));
    static const QRegularExpression call(
        QStringLiteral(R"re(\b(connect|sendto|sendmsg|sendmmsg)\(\d+<(TCP|UDP)(v6)?:(.*))re"));
    static const QRegularExpression address(QStringLiteral(
        R"re(inet_addr\("([^"]+)"\)|inet_pton\(AF_INET6, "([^"]+)"|->\[?([0-9a-f.:]+?)\]?:\d+\])re"));
    const QSet<QString> loopback{QStringLiteral("127.0.0.1"), QStringLiteral("::1"),
                                 QStringLiteral("::ffff:127.0.0.1")};
    int tcpConnects = 0;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QRegularExpressionMatch match = call.match(line);
        if (!match.hasMatch() || (match.captured(1) == "connect" && match.captured(2) == "UDP"))
            continue;
        tcpConnects += match.captured(1) == "connect";
        for (const QRegularExpressionMatch& found : address.globalMatch(match.captured(4))) {
            const QString reached = found.captured(1) + found.captured(2) + found.captured(3);
            QVERIFY2(loopback.contains(reached), qPrintable(line));
        }
    }
    QVERIFY(tcpConnects > 0);
}

// The README's daily check, on the demo shop, from cron: nothing written
// but the files, so cron mails nothing while nothing changed.
void TestDemoCheck::dailyCheckFromCronIsSilent() {
    QTemporaryDir folder;
    const BareRun reference =
        runBare({"--demo", "--format", "json"}, folder.path(), QStringLiteral("reference.json"));
    QCOMPARE(reference.status, 0);
    QCOMPARE(reference.err, QByteArray());

    const BareRun daily =
        runBare({"--demo", "--format", "tsv", "--compare", "reference.json", "--fail-on-drop"},
                folder.path(), QStringLiteral("today.tsv"));
    QCOMPARE(daily.status, 0);
    QCOMPARE(daily.err, QByteArray());
    QFile today(folder.filePath(QStringLiteral("today.tsv")));
    QVERIFY(today.open(QIODevice::ReadOnly));
    QVERIFY(today.readAll().endsWith("\t\n\n")); // the grid, then no change
}

// As root the browser runs without its sandbox: said once on a terminal
// (besides the progress line, which ends without a line end).
void TestDemoCheck::sandboxNoteOnlyOnTerminal() {
    if (geteuid() != 0)
        QSKIP("the browser runs without its sandbox only as root");
    QTemporaryDir folder;
    const BareRun run =
        runBare({"--demo", "--format", "tsv"}, folder.path(), QStringLiteral("grid.tsv"), true);
    QCOMPARE(run.status, 0);
    QList<QByteArray> lines = run.err.split('\n');
    lines.removeLast();
    QCOMPARE(lines, QList<QByteArray>{"zembrel-check: running as root, the built-in browser runs "
                                      "without its sandbox\r"});
}

QTEST_GUILESS_MAIN(TestDemoCheck)
#include "TestDemoCheck.moc"
