#include "LinkListFile.h"

#include "CodePage936.h"

#include <QDir>
#include <QTemporaryFile>

std::optional<QString> roundTripThroughLinkListFile(const QString& fileText) {
    // An unusable TMPDIR gives an empty path; never fall back to "/".
    const QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return std::nullopt;
    QTemporaryFile file(folder + QStringLiteral("/zembrel-links-XXXXXX.txt"));
    if (!file.open())
        return std::nullopt;
    const QByteArray bytes = codepage936::encode(fileText);
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.seek(0))
        return std::nullopt;
    const QByteArray readBack = file.readAll();
    if (readBack.size() != bytes.size())
        return std::nullopt;
    return codepage936::decode(readBack);
}
