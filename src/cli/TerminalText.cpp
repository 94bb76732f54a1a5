#include "TerminalText.h"

#include <QList>
#include <clocale>
#include <cwchar>
#include <locale.h>

namespace terminaltext {

namespace {

// The C library's UTF-8 character tables, opened once for the whole
// program whatever the user's own locale says, and used by the current
// thread while an object of this class lives.
class Utf8Characters {
public:
    Utf8Characters()
        : previous_(utf8() != locale_t{} ? ::uselocale(utf8()) : locale_t{}) {}
    ~Utf8Characters() {
        if (utf8() != locale_t{})
            ::uselocale(previous_);
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
    // Never freed: the program's threads may use it until they end.
    static locale_t utf8() {
        static const locale_t tables = [] {
            const locale_t found = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
            return found != locale_t{} ? found
                                       : ::newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t{});
        }();
        return tables;
    }

    locale_t previous_;
};

// Characters that change the direction in which the following text is shown.
bool isDirectionControl(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
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

QString tabSeparatedLine(const QStringList& fields) {
    QStringList texts;
    for (const QString& field : fields)
        texts.append(oneLine(field));
    return texts.join(u'\t') + u'\n';
}

} // namespace terminaltext
