#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// `zembrel-check --demo`, as a newcomer runs it: the whole demo grid, and
// not one connection to anything but the built-in marketplace server.
class TestDemoCheck : public QObject {
    Q_OBJECT

private slots:
    void jsonIsTheDemoGrid();
    void talksOnlyToTheBuiltInServer();

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

QTEST_GUILESS_MAIN(TestDemoCheck)
#include "TestDemoCheck.moc"
