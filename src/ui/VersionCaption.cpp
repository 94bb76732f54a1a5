#include "VersionCaption.h"

#include "Version.h"

QString versionCaption(const QString& title, int major, int minor, int revision) {
    return title + QStringLiteral("Ver") + versionNumber(major, minor) + QStringLiteral(" Build:") +
           buildNumber(revision);
}
