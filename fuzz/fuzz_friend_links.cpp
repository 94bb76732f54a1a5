// Friend-link list: the file text, its lines and the parsing of one line, on
// arbitrary blocks (UTF-8).
#include "FriendLinkList.h"
#include "FuzzCheck.h"

#include <QString>

namespace {

void checkFileText(const QString& block, const QString& text) {
    FUZZ_CHECK(text.size() == block.size() + block.count(u'\n') + 2);
    FUZZ_CHECK(text.endsWith(u"\r\n"));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            FUZZ_CHECK(i > 0 && text[i - 1] == u'\r');
    }
}

// No line holds a CR, and the lines plus their line ends make up the text.
void checkLines(const QString& text, const QStringList& lines) {
    FUZZ_CHECK(!lines.isEmpty());
    qsizetype lineEnds = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r')
            lineEnds += i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
    }
    qsizetype characters = 0;
    for (const QString& line : lines) {
        FUZZ_CHECK(!line.contains(u'\r'));
        characters += line.size();
    }
    FUZZ_CHECK(characters + lineEnds == text.size());
    FUZZ_CHECK(lines.size() <= text.count(u'\r') + 1);
}

void checkLink(const QString& line) {
    const std::optional<friendlinks::FriendLink> link = friendlinks::parseLine(line);
    if (!link)
        return;
    FUZZ_CHECK(line.startsWith(u"<a href="));
    // The address starts right after the line's first double quote and
    // holds no quote-space; the name holds no "</a>".
    const qsizetype quote = line.indexOf(u'"');
    FUZZ_CHECK(quote >= 0 && line.sliced(quote + 1).startsWith(link->address));
    FUZZ_CHECK(!link->address.contains(u"\" "));
    FUZZ_CHECK(line.sliced(quote + 1 + link->address.size()).startsWith(u"\" "));
    FUZZ_CHECK(fuzzcheck::isPieceOf(link->name, line));
    FUZZ_CHECK(!link->name.contains(u"</a>"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString block = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = friendlinks::fileText(block);
    checkFileText(block, text);

    const QStringList lines = friendlinks::lines(text);
    checkLines(text, lines);
    // Without CRs of its own, the block's LF-separated lines come back.
    if (!block.contains(u'\r'))
        FUZZ_CHECK(lines.join(u'\n') == block);

    const QStringList rawLines = friendlinks::lines(block);
    checkLines(block, rawLines);
    for (const QString& line : lines)
        checkLink(line);
    checkLink(block);
    return 0;
}
