#include "ChangesWindow.h"

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>

void openChangesWindow(const QString& address) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("zembrel-check: no display to open the window on\n", stderr);
        return;
    }
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/zembrel");
    // One argument, so that no address is ever read as an option.
    if (!QProcess::startDetached(program, {QStringLiteral("--show-changes=") + address}))
        std::fputs(qPrintable(QStringLiteral("zembrel-check: cannot start %1\n").arg(program)),
                   stderr);
}
