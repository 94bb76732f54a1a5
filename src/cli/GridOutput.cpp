#include "GridOutput.h"

#include "HeadlessWindow.h"
#include "ResultGrid.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <clocale>
#include <cwchar>
#include <locale.h>

namespace gridoutput {

namespace {

// The C library's UTF-8 character tables for the current thread while it
// lives, whatever the user's own locale says.
class Utf8Characters {
public:
    Utf8Characters()
        : utf8_(openUtf8())
        , previous_(utf8_ != locale_t{} ? ::uselocale(utf8_) : locale_t{}) {}
    ~Utf8Characters() {
        if (utf8_ == locale_t{})
            return;
        ::uselocale(previous_);
        ::freelocale(utf8_);
    }
    Utf8Characters(const Utf8Characters&) = delete;
    Utf8Characters& operator=(const Utf8Characters&) = delete;

    // The columns `c` takes in a terminal: 2 for a wide character, 0 for a
    // combining mark, 1 for anything else, characters that do not print
    // (and any character when no UTF-8 tables exist) included.
    static int width(char32_t c) {
        const int columns = ::wcwidth(static_cast<wchar_t>(c));
        return columns < 0 ? 1 : columns;
    }

private:
    static locale_t openUtf8() {
        const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
        return utf8 != locale_t{} ? utf8 : ::newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t{});
    }

    locale_t utf8_;
    locale_t previous_;
};

// The colour a cell is shown in: its own, else the grid-wide one for
// cells outside the header row and number column, else none (0).
// Characters that change the direction in which the following text is shown.
bool isDirectionControl(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// The text cut to at most `maxWidth` columns; a text that was cut ends in "…".
QString fitWidth(const QString& text, int maxWidth) {
    if (displayWidth(text) <= maxWidth)
        return text;
    const Utf8Characters characters;
    QString cut;
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const int charWidth = characters.width(c);
        if (width + charWidth > maxWidth - 1)
            break;
        width += charWidth;
        cut += QChar::fromUcs4(c);
    }
    return cut + u'…';
}

QString styledCell(const QString& padded, quint32 color, bool bold) {
    QString codes;
    if (color != 0)
        codes += QStringLiteral("\x1b[31m");
    if (bold)
        codes += QStringLiteral("\x1b[1m");
    return codes.isEmpty() ? padded : codes + padded + QStringLiteral("\x1b[0m");
}

} // namespace

QString oneLine(const QString& text) {
    QString line = text;
    for (QChar& c : line) {
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
        else if (c.category() == QChar::Other_Control || isDirectionControl(c.unicode()))
            c = QChar::ReplacementCharacter;
    }
    return line;
}

int displayWidth(const QString& text) {
    const Utf8Characters characters;
    int width = 0;
    for (const char32_t c : text.toUcs4())
        width += characters.width(c);
    return width;
}

QString table(const ResultGrid& grid, bool styled) {
    QList<QStringList> cells(grid.Rows());
    QList<int> widths(grid.Cols(), 0);
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        for (qint32 col = 0; col < grid.Cols(); ++col) {
            cells[row].append(fitWidth(oneLine(grid.cell(row, col).text), MaxColumnWidth));
            widths[col] = std::max(widths[col], displayWidth(cells[row][col]));
        }
    }

    QString out;
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        QString line;
        for (qint32 col = 0; col < grid.Cols(); ++col) {
            const QString& text = cells[row][col];
            QString padded = text;
            if (col + 1 < grid.Cols())
                padded += QString(widths[col] - displayWidth(text) + 2, u' ');
            line += styled ? styledCell(padded, grid.shownColor(row, col).value_or(0),
                                        grid.cell(row, col).bold)
                           : padded;
        }
        out += line + u'\n';
    }
    return out;
}

QString tsv(const ResultGrid& grid) {
    QString out;
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        QStringList cells;
        for (qint32 col = 0; col < grid.Cols(); ++col)
            cells.append(oneLine(grid.cell(row, col).text));
        out += cells.join(u'\t') + u'\n';
    }
    return out;
}

QByteArray json(const HeadlessWindow& window, const std::optional<QJsonArray>& changes) {
    const ResultGrid& grid = window.grid();
    QJsonArray rows;
    for (qint32 row = 0; row < grid.Rows(); ++row) {
        QJsonArray cells;
        for (qint32 col = 0; col < grid.Cols(); ++col) {
            const ResultGrid::Cell& cell = grid.cell(row, col);
            cells.append(QJsonObject{{QStringLiteral("text"), cell.text},
                                     {QStringLiteral("color"), qint64(cell.color)},
                                     {QStringLiteral("bold"), cell.bold}});
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
    if (changes)
        document.insert(QStringLiteral("changes"), *changes);
    return QJsonDocument(document).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace gridoutput
