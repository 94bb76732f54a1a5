#include "UserGuide.h"

#include <QDir>
#include <QFileInfo>

namespace userguide {

QString guideFile(const QString& programDir) {
    const QDir dir(programDir);
    for (const QString& folder :
         {QStringLiteral(ZEMBREL_GUIDE_FROM_PROGRAM), QStringLiteral(".")}) {
        const QFileInfo guide(dir.filePath(folder + u'/' + FileName.toString()));
        if (guide.isFile())
            return QDir::cleanPath(guide.absoluteFilePath());
    }
    return {};
}

} // namespace userguide
