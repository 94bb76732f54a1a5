#include "CheckDocument.h"

#include "HeadlessWindow.h"
#include "ResultGrid.h"
#include "RunEndings.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace checkdocument {

QByteArray json(const HeadlessWindow& window, const QJsonObject& comparison) {
    const ResultGrid& grid = window.grid();
    QJsonArray rows;
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        QJsonArray cells;
        for (qint32 col = 0; col < grid.Cols(); ++col) {
            const ResultGrid::Cell& cell = grid.cell(row, col);
            QJsonObject object{{QStringLiteral("text"), cell.text},
                               {QStringLiteral("color"), qint64(cell.color)},
                               {QStringLiteral("bold"), cell.bold}};
            // Why a row could not be checked, where the run said.
            if (!cell.note.isEmpty())
                object.insert(QStringLiteral("note"), cell.note);
            cells.append(object);
        }
        rows.append(cells);
    }
    const std::optional<quint32> foreColor = grid.ForeColor();

    QJsonArray messages;
    for (const HeadlessWindow::Message& message : window.messages())
        messages.append(QJsonObject{{QStringLiteral("title"), message.title},
                                    {QStringLiteral("text"), message.text}});

    QJsonObject document{
        {QStringLiteral("addressBox"), window.addressText()},
        {QStringLiteral("analyzeEnabled"), window.analyzeEnabled()},
        {QStringLiteral("stopEnabled"), window.stopEnabled()},
        {QStringLiteral("stopRequested"), window.StopRequested()},
        {QStringLiteral("messages"), messages},
        {QStringLiteral("grid"),
         QJsonObject{{QStringLiteral("rows"), grid.Rows()},
                     {QStringLiteral("cols"), grid.Cols()},
                     {QStringLiteral("foreColor"),
                      foreColor ? QJsonValue(qint64(*foreColor)) : QJsonValue(QJsonValue::Null)},
                     {QStringLiteral("cells"), rows}}},
    };
    // How the last run ended, for a later --compare: which address it
    // checked, and whether it got to list that shop's friend links.
    if (const std::optional<RunOutcome>& outcome = window.lastOutcome())
        document.insert(
            QStringLiteral("lastRun"),
            QJsonObject{{QStringLiteral("address"), window.addressText()},
                        {QStringLiteral("ending"), endingName(outcome->ending)},
                        {QStringLiteral("message"), outcome->message},
                        {QStringLiteral("listedFriendLinks"), outcome->listedFriendLinks()}});
    for (auto member = comparison.begin(); member != comparison.end(); ++member)
        document.insert(member.key(), member.value());
    return QJsonDocument(document).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace checkdocument
