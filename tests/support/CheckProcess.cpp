#include "CheckProcess.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr int RunLimitMs = 30000;

// LeakSanitizer stops the world with ptrace, which a tracer such as strace
// already holds: in a sanitizer build the traced program checks no leaks.
QProcessEnvironment untracedLeakCheck(QProcessEnvironment environment) {
    const QString options = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       options + (options.isEmpty() ? "" : ":") + QStringLiteral("detect_leaks=0"));
    return environment;
}

} // namespace

QJsonObject CheckProcess::json() const {
    return QJsonDocument::fromJson(out).object();
}

QStringList CheckProcess::rowTexts(int row) const {
    QStringList texts;
    const QJsonArray cells = json()["grid"][u"cells"].toArray().at(row).toArray();
    for (const QJsonValue& cell : cells)
        texts.append(cell["text"].toString());
    return texts;
}

QJsonObject CheckProcess::cell(int row, int col) const {
    return json()["grid"][u"cells"].toArray().at(row).toArray().at(col).toObject();
}

CheckProcess CheckProcess::run(const QStringList& arguments, const QProcessEnvironment& environment,
                               const std::function<void(qint64 pid)>& started,
                               const QStringList& wrapper) {
    QProcess process;
    process.setProcessEnvironment(wrapper.isEmpty() ? environment : untracedLeakCheck(environment));
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(RunLimitMs, &loop, &QEventLoop::quit);
    const QString check = QStringLiteral(ZEMBREL_CHECK_PATH);
    if (wrapper.isEmpty())
        process.start(check, arguments);
    else
        process.start(wrapper.first(), wrapper.mid(1) + QStringList{check} + arguments);
    if (process.waitForStarted() && started)
        started(process.processId());
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }

    CheckProcess result;
    result.crashed = process.exitStatus() != QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QProcessEnvironment CheckProcess::cleanEnvironment() {
    // The checks of one test program share a history of their own.
    static const QTemporaryDir data;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        environment.remove(QString::fromLatin1(name));
    return environment;
}
