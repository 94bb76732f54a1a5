#include "VersionCaption.h"

QString versionCaption(const QString& title, int major, int minor, int revision) {
    return QStringLiteral("%1Ver%2.%3 Build:%4")
        .arg(title)
        .arg(major)
        .arg(minor, 2, 10, QLatin1Char('0'))
        .arg(revision, 4, 10, QLatin1Char('0'));
}
