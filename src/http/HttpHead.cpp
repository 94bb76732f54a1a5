#include "HttpHead.h"

#include <QSet>
#include <algorithm>

namespace {

constexpr QByteArrayView HeadEnd("\r\n\r\n");

bool isToken(QByteArrayView text) {
    static constexpr QByteArrayView Symbols("!#$%&'*+-.^_`|~");
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               Symbols.contains(c);
    });
}

// No space, no control character.
bool isVisible(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return quint8(c) > 0x20 && quint8(c) != 0x7f; });
}

bool holdsCrOrNul(QByteArrayView line) {
    return line.contains('\r') || line.contains('\0');
}

QByteArrayView withoutBlanks(QByteArrayView text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// The lines of `text`, which ends in LF, without their line ends.
QList<QByteArrayView> linesOf(QByteArrayView text) {
    QList<QByteArrayView> lines;
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype end = text.indexOf('\n', start);
        QByteArrayView line = text.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(line);
        start = end + 1;
    }
    return lines;
}

std::optional<HttpHead::Field> fieldOf(QByteArrayView line) {
    const qsizetype colon = line.indexOf(':');
    if (colon < 0 || !isToken(line.first(colon)) || holdsCrOrNul(line))
        return std::nullopt;
    return HttpHead::Field{line.first(colon).toByteArray(),
                           withoutBlanks(line.sliced(colon + 1)).toByteArray()};
}

} // namespace

bool HttpHead::Field::is(QByteArrayView other) const {
    return name.compare(other, Qt::CaseInsensitive) == 0;
}

HttpHead::HttpHead(QByteArray startLine)
    : startLine_(std::move(startLine)) {}

HttpHeadRead HttpHead::read(QByteArrayView bytes, qsizetype maxBytes) {
    using Outcome = HttpHeadRead::Outcome;
    HttpHeadRead read;
    const qsizetype end =
        bytes.first(std::clamp(maxBytes, qsizetype(0), bytes.size())).indexOf(HeadEnd);
    if (end < 0) {
        if (bytes.size() >= maxBytes)
            read.outcome = Outcome::Invalid;
        return read;
    }
    read.outcome = Outcome::Invalid;
    // The last line ends at the blank line's first CR LF.
    const QList<QByteArrayView> lines = linesOf(bytes.first(end + 2));
    if (lines.first().isEmpty() || holdsCrOrNul(lines.first()))
        return read;
    HttpHead head(lines.first().toByteArray());
    for (qsizetype i = 1; i < lines.size(); ++i) {
        std::optional<Field> field = fieldOf(lines[i]);
        if (!field)
            return read;
        head.fields_.append(std::move(*field));
    }
    read.outcome = Outcome::Complete;
    read.head = std::move(head);
    read.length = end + HeadEnd.size();
    return read;
}

std::optional<HttpHead::RequestLine> HttpHead::requestLine() const {
    const QList<QByteArray> parts = startLine_.split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || parts[1].isEmpty() || !isVisible(parts[1]))
        return std::nullopt;
    const QByteArray& version = parts[2];
    if (version.size() != 8 || !version.startsWith("HTTP/1.") || version.back() < '0' ||
        version.back() > '9')
        return std::nullopt;
    return RequestLine{parts[0], parts[1], version};
}

void HttpHead::append(QByteArray name, QByteArray value) {
    fields_.append({std::move(name), std::move(value)});
}

void HttpHead::remove(QByteArrayView name) {
    fields_.removeIf([name](const Field& field) { return field.is(name); });
}

void HttpHead::removeHopByHop() {
    // Lower-case names in a set: a head of many options and many fields
    // takes time in proportion to its size, not to their product.
    QSet<QByteArray> dropped{"connection", "proxy-connection", "keep-alive", "proxy-authorization"};
    for (const Field& field : std::as_const(fields_)) {
        if (!field.is("Connection"))
            continue;
        for (const QByteArray& option : field.value.split(','))
            dropped.insert(withoutBlanks(option).toByteArray().toLower());
    }
    for (const char* passedOn : {"host", "content-length", "transfer-encoding"})
        dropped.remove(passedOn);
    fields_.removeIf(
        [&dropped](const Field& field) { return dropped.contains(field.name.toLower()); });
}

QByteArray HttpHead::bytes() const {
    QByteArray bytes = startLine_ + "\r\n";
    for (const Field& field : fields_)
        bytes += field.name + ": " + field.value + "\r\n";
    return bytes + "\r\n";
}
