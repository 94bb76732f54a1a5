#include "PreviousCheck.h"

#include "ResultColumns.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace {

// Far above the result of any real check (a thousand links take well
// under a megabyte), so that a wrong file name cannot fill the memory.
constexpr qint64 MaxDocumentBytes = 16 * 1024 * 1024;

PreviousCheck failure(const QString& error) {
    return {std::nullopt, error, std::nullopt};
}

PreviousCheck notAResult(const QString& what) {
    return failure(QStringLiteral("not a zembrel-check JSON result: ") + what);
}

// The texts of one grid row's cells, or nothing when the row is not an
// array of cell objects with a text each.
std::optional<QStringList> rowTexts(const QJsonValue& row) {
    if (!row.isArray() || row.toArray().size() != gridcol::Count)
        return std::nullopt;
    QStringList texts;
    for (const QJsonValue& cell : row.toArray()) {
        if (!cell[u"text"].isString())
            return std::nullopt;
        texts.append(cell[u"text"].toString());
    }
    return texts;
}

bool isHeaderRow(const QStringList& texts) {
    for (qint32 col = 1; col < gridcol::Count; ++col) {
        if (texts[col] != QString::fromUtf16(ResultColumns[col].header))
            return false;
    }
    return true;
}

PreviousCheck readDocument(const QJsonObject& document) {
    const QJsonValue messages = document[u"messages"];
    if (!messages.isArray())
        return notAResult(QStringLiteral("no \"messages\" array"));
    QStringList messageTexts;
    for (const QJsonValue& message : messages.toArray()) {
        if (!message[u"text"].isString())
            return notAResult(QStringLiteral("a message without a text"));
        messageTexts.append(message[u"text"].toString());
    }

    const QJsonValue grid = document[u"grid"];
    if (!grid.isObject())
        return notAResult(QStringLiteral("no \"grid\" object"));
    if (grid[u"cols"].toInt(-1) != gridcol::Count)
        return notAResult(QStringLiteral("the grid does not have 9 columns"));
    const QJsonArray rows = grid[u"cells"].toArray();
    if (rows.isEmpty() || grid[u"rows"].toInt(-1) != rows.size())
        return notAResult(QStringLiteral("the grid's \"rows\" and \"cells\" do not agree"));
    QList<QStringList> cellTexts;
    for (qsizetype row = 0; row < rows.size(); ++row) {
        const std::optional<QStringList> texts = rowTexts(rows[row]);
        if (!texts)
            return notAResult(
                QStringLiteral("grid row %1 is not 9 cells with a text each").arg(row));
        cellTexts.append(*texts);
    }
    if (!isHeaderRow(cellTexts.first()))
        return notAResult(QStringLiteral("grid row 0 is not the results grid's header row"));
    PreviousCheck previous{checkedGrid(cellTexts, messageTexts), {}, std::nullopt};
    if (const QJsonValue lastRun = document[u"lastRun"]; !lastRun.isUndefined()) {
        if (!lastRun[u"address"].isString() || !lastRun[u"listedFriendLinks"].isBool())
            return notAResult(QStringLiteral("a \"lastRun\" without its address"));
        previous.address = lastRun[u"address"].toString();
        if (!lastRun[u"listedFriendLinks"].toBool()) {
            const QString message = lastRun[u"message"].toString();
            previous.grid =
                CheckedGrid{{}, message.isEmpty() ? QStringLiteral("没有列出友情链接") : message};
        }
    }
    return previous;
}

} // namespace

PreviousCheck readPreviousCheck(const QString& path) {
    if (path.isEmpty())
        return failure(QStringLiteral("no file name given"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("cannot open: ") + file.errorString());
    const QByteArray bytes = file.read(MaxDocumentBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(QStringLiteral("cannot read: ") + file.errorString());
    if (bytes.size() > MaxDocumentBytes)
        return failure(QStringLiteral("larger than 16 MB, not a check result"));
    if (bytes.trimmed().isEmpty())
        return failure(QStringLiteral("the file is empty"));

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return failure(QStringLiteral("not JSON: %1 at byte %2")
                           .arg(parseError.errorString())
                           .arg(parseError.offset));
    }
    if (!document.isObject())
        return notAResult(QStringLiteral("not a JSON object"));
    return readDocument(document.object());
}
