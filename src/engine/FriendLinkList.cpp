#include "FriendLinkList.h"

#include "PageSearch.h"

namespace friendlinks {

QString fileText(const QString& block) {
    QString text;
    text.reserve(block.size() + block.size() / 16 + 2);
    for (const QChar ch : block) {
        if (ch == u'\n')
            text += u"\r\n";
        else
            text += ch;
    }
    text += u"\r\n";
    return text;
}

QStringList lines(const QString& fileText) {
    QStringList result;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < fileText.size()) {
        if (fileText[i] != u'\r') {
            ++i;
            continue;
        }
        result.append(fileText.sliced(start, i - start));
        ++i;
        if (i < fileText.size() && fileText[i] == u'\n')
            ++i;
        start = i;
    }
    if (start < fileText.size() || result.isEmpty())
        result.append(fileText.sliced(start));
    return result;
}

std::optional<FriendLink> parseLine(const QString& line) {
    if (!line.startsWith(u"<a href="))
        return std::nullopt;
    const pagetext::Span address = pagetext::between(line, 1, {u"\""}, u"\" ");
    const pagetext::Span name = pagetext::between(line, address.end, {u">"}, u"</a>");
    if (!address.value || !name.value)
        return std::nullopt;
    return FriendLink{*address.value, *name.value};
}

} // namespace friendlinks
