// HTTP heads: HttpHead::read on arbitrary bytes, under a cap that the
// input's first byte sets, against a reference reading by regular
// expressions; then what the forwarding proxy does with a head: its request
// line, the hop-by-hop fields removed, the head written back and read again.
#include "FuzzCheck.h"
#include "HttpHead.h"

#include <QRegularExpression>
#include <algorithm>
#include <optional>

namespace {

using Outcome = HttpHeadRead::Outcome;

using Fields = QList<std::pair<QByteArray, QByteArray>>;

Fields pairsOf(const HttpHead& head) {
    Fields pairs;
    for (const HttpHead::Field& field : head.fields())
        pairs.append({field.name, field.value});
    return pairs;
}

QString latin1(QByteArrayView bytes) {
    return QString::fromLatin1(bytes);
}

struct Reference {
    QByteArray startLine;
    Fields fields;
};

// What a head's text (up to its blank line, without it) holds, or nothing
// when a line breaks the rules.
std::optional<Reference> referenceRead(QByteArrayView text) {
    static const QRegularExpression StartLine(QStringLiteral("\\A[^\\r\\n\\x00]+\\z"));
    static const QRegularExpression Field(
        QStringLiteral("\\A([-!#$%&'*+.^_`|~0-9A-Za-z]+):[ \\t]*([^\\r\\n\\x00]*?)[ \\t]*\\z"));
    const QStringList lines = latin1(text).split(QRegularExpression(QStringLiteral("\\r?\\n")));
    if (!StartLine.match(lines.first()).hasMatch())
        return std::nullopt;
    Reference reference{lines.first().toLatin1(), {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = Field.match(lines[i]);
        if (!match.hasMatch())
            return std::nullopt;
        reference.fields.append({match.captured(1).toLatin1(), match.captured(2).toLatin1()});
    }
    return reference;
}

QByteArray withoutBlanks(const QByteArray& text) {
    static const QRegularExpression Blanks(QStringLiteral("\\A[ \\t]+|[ \\t]+\\z"));
    return latin1(text).remove(Blanks).toLatin1();
}

bool sameName(const QByteArray& a, const QByteArray& b) {
    return a.toLower() == b.toLower();
}

void checkRequestLine(const HttpHead& head) {
    static const QRegularExpression Request(QStringLiteral(
        "\\A[-!#$%&'*+.^_`|~0-9A-Za-z]+ [\\x21-\\x7e\\x80-\\xff]+ HTTP/1\\.[0-9]\\z"));
    const std::optional<HttpHead::RequestLine> line = head.requestLine();
    FUZZ_CHECK(line.has_value() == Request.match(latin1(head.startLine())).hasMatch());
    if (line)
        FUZZ_CHECK(line->method + ' ' + line->target + ' ' + line->version == head.startLine());
}

// Written back, the head reads the same, and writes the same bytes again.
void checkRoundTrip(const HttpHead& head) {
    const QByteArray bytes = head.bytes();
    const HttpHeadRead again = HttpHead::read(bytes, bytes.size());
    FUZZ_CHECK(again.outcome == Outcome::Complete);
    FUZZ_CHECK(again.length == bytes.size());
    FUZZ_CHECK(again.head.startLine() == head.startLine());
    FUZZ_CHECK(pairsOf(again.head) == pairsOf(head));
    FUZZ_CHECK(again.head.bytes() == bytes);
}

// Exactly the fields about one connection go, the others stay in order.
void checkHopByHop(const HttpHead& head) {
    QList<QByteArray> dropped{"Connection", "Proxy-Connection", "Keep-Alive",
                              "Proxy-Authorization"};
    for (const auto& [name, value] : pairsOf(head)) {
        if (sameName(name, "Connection")) {
            for (const QByteArray& option : value.split(','))
                dropped.append(withoutBlanks(option));
        }
    }
    Fields kept;
    for (const auto& field : pairsOf(head)) {
        const auto named = [&](const QByteArray& name) { return sameName(field.first, name); };
        const bool passedOn =
            named("Host") || named("Content-Length") || named("Transfer-Encoding");
        if (passedOn || std::none_of(dropped.begin(), dropped.end(), named))
            kept.append(field);
    }
    HttpHead reduced = head;
    reduced.removeHopByHop();
    FUZZ_CHECK(reduced.startLine() == head.startLine());
    FUZZ_CHECK(pairsOf(reduced) == kept);
    checkRoundTrip(reduced);
}

void checkRemove(const HttpHead& head) {
    if (head.fields().isEmpty())
        return;
    const QByteArray name = head.fields().first().name.toUpper();
    HttpHead reduced = head;
    reduced.remove(name);
    Fields kept = pairsOf(head);
    kept.removeIf([&](const auto& field) { return sameName(field.first, name); });
    FUZZ_CHECK(pairsOf(reduced) == kept);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const qsizetype maxBytes = 16 + qsizetype(data[0]) * 8;
    const QByteArrayView bytes(data + 1, qsizetype(size - 1));
    const HttpHeadRead read = HttpHead::read(bytes, maxBytes);

    const qsizetype end = bytes.indexOf(QByteArrayView("\r\n\r\n"));
    if (end < 0 || end + 4 > maxBytes) {
        FUZZ_CHECK(read.outcome ==
                   (bytes.size() >= maxBytes ? Outcome::Invalid : Outcome::Incomplete));
        return 0;
    }
    const std::optional<Reference> reference = referenceRead(bytes.first(end));
    FUZZ_CHECK(read.outcome == (reference ? Outcome::Complete : Outcome::Invalid));
    if (!reference)
        return 0;
    FUZZ_CHECK(read.length == end + 4);
    FUZZ_CHECK(read.head.startLine() == reference->startLine);
    FUZZ_CHECK(pairsOf(read.head) == reference->fields);
    // A head that comes in parts waits for the rest.
    for (const qsizetype part : {read.length - 1, read.length / 2})
        FUZZ_CHECK(HttpHead::read(bytes.first(part), maxBytes).outcome == Outcome::Incomplete);

    checkRequestLine(read.head);
    checkRoundTrip(read.head);
    checkHopByHop(read.head);
    checkRemove(read.head);
    return 0;
}
